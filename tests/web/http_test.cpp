// orvex-web's HTTP side: what every answer carries, what is refused, the
// access log, and clients that send slowly or hold many connections.

#include "store/engine.h"
#include "web/webclient.h"
#include "web/webfixture.h"

#include "support/tempdictionary.h"

#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

using testing_support::exchange;
using testing_support::get;
using testing_support::HttpAnswer;
using testing_support::OpenConnection;
using testing_support::Row;
using testing_support::TempDictionary;
using testing_support::WebServer;

namespace {

class WebHttp : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { store::setUsage(store::Usage{true, true}); }
    static void TearDownTestSuite() { store::setUsage(store::Usage{}); }

    TempDictionary file{Row{QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"), 1}};
};

TEST_F(WebHttp, EveryAnswerCarriesTheSecurityHeadersAndOnlyReadingIsTaken)
{
    WebServer web(store::Location::file(file.path()));
    struct Case
    {
        QByteArray request;
        int status;
    };
    const QByteArray host = " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n";
    for (const Case &c : {
             Case{"GET /" + host + "\r\n", 200},
             Case{"GET /api/v1/lookup?acronym=cpu" + host + "\r\n", 200},
             Case{"GET /static/orvex.js" + host + "\r\n", 200},
             Case{"GET /static/nothing" + host + "\r\n", 404},
             Case{"GET /api/v1/nothing" + host + "\r\n", 404},
             Case{"DELETE /api/v1/lookup?acronym=cpu" + host + "\r\n", 405},
             Case{"POST /find" + host + "Content-Length: 5\r\n\r\nabcde", 413},
             Case{"GET /" + host + "Content-Length: 100000000\r\n\r\n", 413},
             // A head far beyond its limit is refused by the library itself.
             Case{"GET /" + host + "X-Big: " + QByteArray(64 * 1024, 'x') + "\r\n\r\n", 431},
         }) {
        const HttpAnswer answer = exchange(web.port(), c.request);
        EXPECT_EQ(answer.status, c.status) << c.request.left(40).toStdString();
        if (answer.status == c.status && c.status != 431) {
            EXPECT_EQ(answer.header("content-security-policy").rfind("default-src 'none'; script-src 'self';", 0), 0u);
            EXPECT_EQ(answer.header("x-content-type-options"), "nosniff");
            EXPECT_EQ(answer.header("x-frame-options"), "DENY");
        }
    }
    EXPECT_EQ(exchange(web.port(), "DELETE /" + host + "\r\n").header("allow"), "GET, HEAD");
    const HttpAnswer head = get(web.port(), "/api/v1/lookup?acronym=cpu", "HEAD");
    EXPECT_EQ(head.status, 200);
    EXPECT_TRUE(head.body.isEmpty());
}

TEST_F(WebHttp, EachRequestIsOneLineOfTheAccessLog)
{
    WebServer web(store::Location::file(file.path()));
    get(web.port(), "/api/v1/lookup?acronym=cpu");
    exchange(web.port(), "GET /a/\x1b[31m\"forged HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    get(web.port(), "/nowhere", "DELETE");
    // The log line is written once the answer is out.
    std::vector<std::string> log;
    for (int wait = 0; wait < 100 && log.size() < 3; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        log = web.accessLog();
    }
    ASSERT_EQ(log.size(), 3u);
    EXPECT_NE(log[0].find(" 127.0.0.1 \"GET /api/v1/lookup?acronym=cpu\" 200 "), std::string::npos) << log[0];
    // What the client sent cannot forge a line or colour a terminal.
    EXPECT_NE(log[1].find("\"GET /a/\\x1B[31m\\x22forged\" 404 "), std::string::npos) << log[1];
    EXPECT_NE(log[2].find("\"DELETE /nowhere\" 405 "), std::string::npos) << log[2];
}

TEST_F(WebHttp, SlowClientsHoldNoThreadAndLoseTheirConnectionAfterTheHeadTime)
{
    web::ServerOptions options;
    options.threads = 1;
    options.headTime = std::chrono::seconds(1);
    WebServer web(store::Location::file(file.path()), options);
    // Twenty clients each send a piece of a head and then wait, one of them
    // a byte at a time.
    std::vector<std::unique_ptr<OpenConnection>> slow;
    for (int i = 0; i < 20; ++i) {
        slow.push_back(std::make_unique<OpenConnection>(web.port()));
        ASSERT_TRUE(slow.back()->send("GET /api/v1/lookup?acronym=cpu HTTP/1.1\r\nHost: x\r\n"));
    }
    // The one answering thread still answers everybody else at once.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(get(web.port(), "/api/v1/lookup?acronym=cpu").status, 200);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    for (int i = 0; i < 8; ++i) {
        slow.front()->send("X");
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    // Dripping bytes does not keep a connection whose head is not whole.
    for (const auto &connection : slow)
        EXPECT_TRUE(connection->closedByServer(2000));
}

TEST_F(WebHttp, OneClientHoldsAtMostItsShareOfConnectionsAndLosesThemAfterTheHeadTime)
{
    web::ServerOptions options;
    options.threads = 2;
    options.maxConnections = 16;
    options.maxConnectionsPerClient = 4;
    options.headTime = std::chrono::seconds(2);
    WebServer web(store::Location::file(file.path()), options);
    std::vector<std::unique_ptr<OpenConnection>> held;
    for (int i = 0; i < 4; ++i) {
        held.push_back(std::make_unique<OpenConnection>(web.port()));
        held.back()->send("GET / HTTP/1.1\r\n");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    // A fifth connection from the same address is closed at once.
    EXPECT_EQ(get(web.port(), "/healthz").status, 0);
    for (const auto &connection : held)
        EXPECT_TRUE(connection->closedByServer(5000));
    HttpAnswer answer;
    for (int attempt = 0; attempt < 50 && answer.status == 0; ++attempt) {
        answer = get(web.port(), "/healthz");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(answer.status, 200);
}

} // namespace
