// orvex-web on a dictionary on the suite's PostgreSQL server: the same
// answers as orvex-db, answers that follow other programs' changes, and
// a server stopped and started again while readers keep asking.

#include "store/engine.h"
#include "store/server/serverengine.h"
#include "web/webclient.h"
#include "web/webfixture.h"

#include "support/pgcluster.h"
#include "support/printers.h"

#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

using testing_support::get;
using testing_support::HttpAnswer;
using testing_support::PgCluster;
using testing_support::Row;
using testing_support::WebServer;

namespace {

class WebOnAServer : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { store::setUsage(store::Usage{true, true}); }
    static void TearDownTestSuite() { store::setUsage(store::Usage{}); }

    WebOnAServer()
        : database(PgCluster::instance().newDatabase())
        , connection(PgCluster::instance().client(database))
    {
        store::engineFor(store::Location::server(connection))->create();
    }

    QStringList suggestions(int port, const char *typed)
    {
        QStringList said;
        for (const QJsonValue &value : get(port, QByteArray("/api/v1/suggest?acronym=") + typed)
                                           .json()
                                           .object()
                                           .value(QStringLiteral("suggestions"))
                                           .toArray())
            said << value.toString();
        return said;
    }

    QString database;
    QString connection;
};

TEST_F(WebOnAServer, AnswersAsOrvexDbFindListAndSearch)
{
    for (const testing_support::Stored &row : testing_support::differentialRows())
        PgCluster::instance().insert(database, Row{row.acronym, row.definition, 1});
    WebServer web(store::Location::server(connection));
    testing_support::expectTheToolsAnswers(
        connection, web.port(),
        {QStringLiteral("cpu"), QStringLiteral("  Cpu "), QStringLiteral("cpx"), QStringLiteral("1010ez"),
         QStringLiteral("straße"), QStringLiteral("STRASSE"), QStringLiteral("äöü"), QStringLiteral("tab\t"),
         QStringLiteral("a b"), QStringLiteral("att"), QStringLiteral("RXM"), QStringLiteral("QQQQQQQQ")},
        {QString(), QStringLiteral("c"), QStringLiteral("  cp"), QStringLiteral("ä"), QStringLiteral("nothing")},
        {QStringLiteral("memory"), QStringLiteral("MEMORY unit"), QStringLiteral("umlaute"),
         QStringLiteral("nothing at all")});
}

// Answers are kept while nothing changes; what another program stores,
// changes or removes is answered within a fraction of a second.
TEST_F(WebOnAServer, AnswersAndSuggestionsFollowWhatAnotherProgramStoresChangesOrRemoves)
{
    PgCluster::instance().insert(database, Row{QStringLiteral("CPU"), QStringLiteral("a"), 1});
    WebServer web(store::Location::server(connection));
    const auto definition = [&] {
        return get(web.port(), "/api/v1/lookup?acronym=cpu").json().object().value(QStringLiteral("definition"));
    };
    EXPECT_EQ(suggestions(web.port(), "CPX"), QStringList{"CPU"});
    EXPECT_EQ(definition(), QStringLiteral("a"));
    PgCluster::instance().insert(database, Row{QStringLiteral("CPA"), QStringLiteral("b"), 1});
    EXPECT_TRUE(testing_support::eventually([&] {
        return suggestions(web.port(), "CPX") == QStringList{"CPA", "CPU"};
    }));
    PgCluster::instance().exec(database, QStringLiteral("UPDATE acronyms SET definition = 'c' WHERE acronym = 'CPU'"));
    EXPECT_TRUE(testing_support::eventually([&] { return definition() == QStringLiteral("c"); }));
    PgCluster::instance().exec(database, QStringLiteral("DELETE FROM acronyms WHERE acronym = 'CPU'"));
    EXPECT_TRUE(testing_support::eventually([&] { return suggestions(web.port(), "CPX") == QStringList{"CPA"}; }));
    EXPECT_TRUE(testing_support::eventually([&] { return definition().isUndefined(); }));
}

TEST_F(WebOnAServer, AServerStoppedUnderRequestsGives503AndItsComebackIsServedWithoutARestart)
{
    if (PgCluster::instance().throughPgBouncer())
        GTEST_SKIP() << "PgBouncer stands between, and stays up";
    PgCluster::instance().insert(database, Row{QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"), 1});
    web::ServerOptions options;
    options.threads = 3;
    WebServer web(store::Location::server(connection), options);

    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::map<int, int> statuses;
    std::vector<std::thread> readers;
    for (int i = 0; i < 4; ++i) {
        readers.emplace_back([&] {
            while (!stop) {
                const HttpAnswer answer = get(web.port(), "/api/v1/lookup?acronym=cpu");
                if (answer.status == 200) {
                    EXPECT_EQ(answer.json().object().value(QStringLiteral("definition")).toString(),
                              QStringLiteral("Central Processing Unit"));
                } else if (answer.status == 503) {
                    EXPECT_TRUE(QStringList({QStringLiteral("The dictionary server cannot be reached."),
                                             QStringLiteral("The connection to the dictionary server was lost.")})
                                    .contains(answer.json().object().value(QStringLiteral("error")).toString()))
                        << answer.body.toStdString();
                }
                const std::lock_guard lock(mutex);
                ++statuses[answer.status];
            }
        });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    PgCluster::instance().stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(get(web.port(), "/readyz").status, 503);
    PgCluster::instance().startAgain();
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    stop = true;
    for (std::thread &reader : readers)
        reader.join();

    // Every answer was the entry or 503, none hung or failed otherwise; and
    // once the server was back, every thread found it again.
    EXPECT_GT(statuses[200], 0);
    EXPECT_GT(statuses[503], 0);
    EXPECT_EQ(statuses[200] + statuses[503], [&] {
        int all = 0;
        for (const auto &[status, count] : statuses)
            all += count;
        return all;
    }());
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(get(web.port(), "/api/v1/lookup?acronym=cpu").status, 200);
    EXPECT_EQ(get(web.port(), "/readyz").status, 200);
    // The operator heard of it, naming the server but never a password.
    ASSERT_FALSE(web.faults().empty());
    for (const std::string &fault : web.faults())
        EXPECT_EQ(fault.find("password"), std::string::npos) << fault;
}

// Last, as the standby it adds makes every later commit wait for it: with
// prefer-standby the site reads the standby, which answers with the primary
// stopped, and what is written on the primary reaches its answers.
TEST_F(WebOnAServer, ReadsFromAStandbyWhatThePrimaryWrites)
{
    if (PgCluster::instance().throughPgBouncer())
        GTEST_SKIP() << "PgBouncer stands between, with one server behind it";
    PgCluster::instance().insert(database, Row{QStringLiteral("CPU"), QStringLiteral("a"), 1});
    PgCluster::instance().addStandby();
    WebServer web(store::Location::server(PgCluster::instance().failover(database).replace(
        QStringLiteral("read-write"), QStringLiteral("prefer-standby"))));
    const auto definition = [&](const char *acronym) {
        return get(web.port(), QByteArray("/api/v1/lookup?acronym=") + acronym)
            .json()
            .object()
            .value(QStringLiteral("definition"));
    };
    EXPECT_EQ(definition("CPU"), QStringLiteral("a"));
    PgCluster::instance().exec(database, QStringLiteral("UPDATE acronyms SET definition = 'b' WHERE acronym = 'CPU'"));
    PgCluster::instance().insert(database, Row{QStringLiteral("CPA"), QStringLiteral("c"), 1});
    EXPECT_TRUE(testing_support::eventually([&] { return definition("CPU") == QStringLiteral("b"); }));
    PgCluster::instance().stop();
    EXPECT_EQ(definition("CPA"), QStringLiteral("c"));
    EXPECT_EQ(get(web.port(), "/readyz").status, 200);
    PgCluster::instance().startAgain();
}

} // namespace
