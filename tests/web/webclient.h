#pragma once

// A plain HTTP/1.1 client for the web tests: one request a connection,
// written byte for byte as given, the answer read to its end.

#include <QByteArray>
#include <QJsonDocument>
#include <QString>

#include <chrono>
#include <functional>
#include <map>
#include <string>

namespace testing_support {

struct HttpAnswer
{
    int status = 0; // 0: no answer (refused, closed)
    std::map<std::string, std::string> headers; // names in lower case
    QByteArray body;

    std::string header(const std::string &name) const
    {
        const auto found = headers.find(name);
        return found == headers.end() ? std::string() : found->second;
    }
    QJsonDocument json() const { return QJsonDocument::fromJson(body); }
};

// Sends request (a whole request head and body) and reads the answer.
HttpAnswer exchange(int port, const QByteArray &request);
// GET target (a path with its query, sent as given).
HttpAnswer get(int port, const QByteArray &target, const QByteArray &method = "GET");
// target with text percent-encoded into it after prefix.
QByteArray withArgument(const QByteArray &prefix, const QString &text);

// Whether holds() comes true within limit, asked every 10 ms: answers are
// kept while the dictionary seems unchanged, and follow a change within a
// fraction of a second.
bool eventually(const std::function<bool()> &holds, std::chrono::milliseconds limit = std::chrono::seconds(3));

// A socket connected to the server on 127.0.0.1, closed when it goes.
class OpenConnection
{
public:
    explicit OpenConnection(int port);
    ~OpenConnection();
    OpenConnection(const OpenConnection &) = delete;
    OpenConnection &operator=(const OpenConnection &) = delete;

    bool send(const QByteArray &bytes);
    // Whether the server has closed it: a read meets the end, waiting up
    // to waitMs for it.
    bool closedByServer(int waitMs);

private:
    int m_socket = -1;
};

} // namespace testing_support
