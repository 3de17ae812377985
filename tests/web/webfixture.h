#pragma once

// orvex-web's site and HTTP server in the test program, on a free port of
// 127.0.0.1, with its access log kept for the tests to read.

#include "store/location.h"
#include "web/http.h"
#include "web/site.h"

#include <QStringList>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace testing_support {

class WebServer
{
public:
    explicit WebServer(const store::Location &dictionary, web::ServerOptions options = {});
    ~WebServer();

    int port() const { return m_http->port(); }
    std::vector<std::string> accessLog() const;
    std::vector<std::string> faults() const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_accessLog;
    std::vector<std::string> m_faults;
    std::unique_ptr<web::Site> m_site;
    std::unique_ptr<web::HttpServer> m_http;
};

// The dictionary's answers through orvex-db (ORVEX_DB_PATH) and through the
// API of the server on port must agree: find with its suggestions, list by
// each prefix, search by each set of words, the API's pages followed to the
// end. db names the dictionary for orvex-db.
void expectTheToolsAnswers(const QString &db, int port, const QStringList &keys, const QStringList &prefixes,
                           const QStringList &searches);

// Rows for the differential tests: the rules' corner cases, several meanings,
// and enough acronyms for many pages.
struct Stored
{
    QString acronym;
    QString definition;
};
std::vector<Stored> differentialRows();

} // namespace testing_support
