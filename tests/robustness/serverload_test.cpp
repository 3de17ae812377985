// Fifty client processes, each with its own connection, on one server
// dictionary: every write the server acknowledged is there once and whole,
// no acronym is added twice by a race, and a restarted server or a killed
// backend in the middle only makes operations report, never lose a write.

#include "support/casename.h"
#include "support/figures.h"
#include "support/pgcluster.h"

#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>
#include <vector>

using testing_support::PgCluster;

namespace {

constexpr int kClients = 50;
constexpr int kOperations = 100;

// Waits until the clients have written about a tenth of what they will.
void waitForLoad(const QString &database)
{
    for (int i = 0; i < 3000; ++i) {
        const auto pieces = PgCluster::instance().query(
            database, QStringLiteral("SELECT count(*) FROM acronyms, regexp_matches(definition, '<c', 'g')"));
        if (pieces.at(0).at(0)->toInt() >= kClients * kOperations / 30)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

struct LoadCase
{
    std::string name;
    void (*meanwhile)(const QString &database);
};

const LoadCase loadCases[] = {
    {"Steady", [](const QString &) {}},
    {"ServerRestarted", [](const QString &) { PgCluster::instance().restart(); }},
    {"BackendsKilled",
     [](const QString &database) {
         for (int round = 0; round < 3; ++round) {
             PgCluster::instance().exec(QStringLiteral("postgres"),
                                        QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                                       "WHERE datname = $1 AND pid <> pg_backend_pid()"),
                                        {database});
             std::this_thread::sleep_for(std::chrono::milliseconds(150));
         }
     }},
};

class ServerLoad : public ::testing::TestWithParam<LoadCase>
{};

QString newDictionary()
{
    PgCluster &cluster = PgCluster::instance();
    const QString database = cluster.newDatabase();
    cluster.exec(database, QStringLiteral("CREATE TABLE acronyms (id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY, "
                                          "acronym text, definition text, active integer)"));
    return database;
}

// Runs the clients on connection, disturbs them once they are at work, and
// checks the table they leave.
void runLoad(const QString &what, const QString &database, const QString &connection,
             const std::function<void()> &meanwhile)
{
    PgCluster &cluster = PgCluster::instance();
    std::vector<std::unique_ptr<QProcess>> clients;
    for (int client = 0; client < kClients; ++client) {
        clients.push_back(std::make_unique<QProcess>());
        clients.back()->start(QStringLiteral(SERVERCLIENT_PATH),
                              {connection, QString::number(client), QString::number(kOperations), QStringLiteral("7")});
    }
    waitForLoad(database);
    meanwhile();

    QHash<qint64, QString> addedKey; // id -> key, from "added"
    QHash<QString, qint64> addedPiece; // piece -> id, acknowledged
    QSet<QString> uncertain; // reported: written or not
    int reported = 0;
    for (auto &client : clients) {
        ASSERT_TRUE(client->waitForFinished(120000));
        ASSERT_EQ(client->exitCode(), 0) << client->readAllStandardError().constData();
        for (const QString &line :
             QString::fromUtf8(client->readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QStringList words = line.split(QLatin1Char(' '));
            if (words.at(0) == QLatin1String("added")) {
                addedKey.insert(words.at(1).toLongLong(), words.at(2));
                addedPiece.insert(words.at(3), words.at(1).toLongLong());
            } else if (words.at(0) == QLatin1String("appended")) {
                addedPiece.insert(words.at(2), words.at(1).toLongLong());
            } else {
                uncertain.insert(words.at(2));
                ++reported;
            }
        }
    }

    const auto rows = cluster.query(database, QStringLiteral("SELECT id, acronym, definition FROM acronyms"));
    QSet<QString> keys;
    QHash<QString, qint64> storedPiece;
    static const QRegularExpression pieces(QStringLiteral("<c\\d+\\.o\\d+>"));
    for (const auto &row : rows) {
        const qint64 id = row.at(0)->toLongLong();
        EXPECT_FALSE(keys.contains(*row.at(1))) << "added twice: " << qPrintable(*row.at(1));
        keys.insert(*row.at(1));
        if (addedKey.contains(id)) {
            EXPECT_EQ(addedKey.value(id), *row.at(1));
        }
        // A definition is its first piece and the appended ones, joined whole.
        const QString definition = row.at(2).value_or(QString());
        EXPECT_TRUE(
            QRegularExpression(QStringLiteral("^<c\\d+\\.o\\d+>( - <c\\d+\\.o\\d+>)*$")).match(definition).hasMatch())
            << qPrintable(definition);
        for (auto match = pieces.globalMatch(definition); match.hasNext();) {
            const QString piece = match.next().captured();
            EXPECT_FALSE(storedPiece.contains(piece)) << "stored twice: " << qPrintable(piece);
            storedPiece.insert(piece, id);
        }
    }
    for (auto it = addedPiece.cbegin(); it != addedPiece.cend(); ++it)
        EXPECT_EQ(storedPiece.value(it.key()), it.value()) << "acknowledged but lost: " << qPrintable(it.key());
    for (auto it = storedPiece.cbegin(); it != storedPiece.cend(); ++it)
        EXPECT_TRUE(addedPiece.contains(it.key()) || uncertain.contains(it.key()))
            << "stored but never written: " << qPrintable(it.key());
    testing_support::recordFigures(QStringLiteral("server"),
                                   QStringLiteral("server writes acknowledged %1, operations reported %2 (%3)")
                                       .arg(addedPiece.size())
                                       .arg(reported)
                                       .arg(what));
}

TEST_P(ServerLoad, KeepsEveryAcknowledgedWriteOnceAndAddsNoAcronymTwice)
{
    const QString database = newDictionary();
    runLoad(QString::fromStdString(GetParam().name)
                + (PgCluster::instance().throughPgBouncer() ? QStringLiteral(", PgBouncer") : QString()),
            database, PgCluster::instance().client(database), [&] { GetParam().meanwhile(database); });
}

INSTANTIATE_TEST_SUITE_P(FiftyClients, ServerLoad, ::testing::ValuesIn(loadCases), testing_support::CaseName());

// Run in a program of its own (see CMakeLists.txt): the standby stays the
// server from here on.
TEST(ServerFailover, ClientsGoOnOnThePromotedStandbyAndLoseNothingAcknowledged)
{
    PgCluster &cluster = PgCluster::instance();
    const QString database = newDictionary();
    cluster.addStandby();
    runLoad(QStringLiteral("Failover"), database, cluster.failover(database), [&] { cluster.killAndPromote(); });
    const auto promoted = cluster.query(database, QStringLiteral("SELECT pg_is_in_recovery()"));
    EXPECT_EQ(promoted.at(0).at(0), QStringLiteral("f"));
}

} // namespace
