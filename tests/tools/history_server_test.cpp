// The history of changes on a server: the cases both engines run, then the
// server's own: the roles' rights to it, copy to a server and back, a table
// made before the history, writers at work at once, and a writer killed in
// the middle of its writes.

#include "tools/historycases.h"

#include "store/server/serverengine.h"
#include "store/server/serversql.h"
#include "support/casename.h"
#include "support/pgcluster.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <random>
#include <thread>

using history_cases::orvexDb;
using history_cases::record;
using testing_support::CaseName;
using testing_support::PgCluster;
using testing_support::Row;

namespace {

PgCluster &cluster()
{
    return PgCluster::instance();
}

class ServerPlace final : public history_cases::Place
{
public:
    ServerPlace()
        : m_database(cluster().newDatabase())
    {
        store::createServerDictionary(cluster().socket(m_database));
    }
    const QString &database() const { return m_database; }
    QString location() const override { return cluster().client(m_database); }
    void insert(const Row &row) override { cluster().insert(m_database, row); }
    void exec(const QString &sql) override { cluster().exec(m_database, sql); }
    QList<testing_support::Recorded> history() override
    {
        return testing_support::recordedIn(
            cluster().query(m_database, QString::fromUtf8(testing_support::kServerHistorySql)));
    }
    testing_support::Records records() override
    {
        return testing_support::recordsIn(
            cluster().query(m_database, QString::fromUtf8(testing_support::kServerRecordsSql)));
    }
    // The role logged in, for the program and for anybody else.
    std::optional<QString> me() const override { return QStringLiteral("postgres"); }
    std::optional<QString> someoneElse() const override { return QStringLiteral("postgres"); }

private:
    QString m_database;
};

class ServerHistoryPaths : public ::testing::TestWithParam<history_cases::WritePath>
{};

TEST_P(ServerHistoryPaths, RecordOneChangeForEachChangeWithBeforeAndAfter)
{
    ServerPlace place;
    history_cases::checkWritePath(place, GetParam());
}

INSTANTIATE_TEST_SUITE_P(History, ServerHistoryPaths, ::testing::ValuesIn(history_cases::writePaths()), CaseName());

class ServerUndo : public ::testing::TestWithParam<history_cases::UndoCase>
{};

TEST_P(ServerUndo, PutsTheRecordBackExactlyAsANewChange)
{
    ServerPlace place;
    history_cases::checkUndo(place, GetParam());
}

INSTANTIATE_TEST_SUITE_P(History, ServerUndo, ::testing::ValuesIn(history_cases::undoCases()), CaseName());

TEST(ServerHistory, UndoOfAChangeLaterOnesBuiltOnAsksForForce)
{
    ServerPlace place;
    history_cases::checkUndoAskedToForce(place);
}

// The writer's changes name it; it reads the history and undoes, a deleted
// record included, but can neither change the history nor leave a change
// out of it. The reader reads it only when granted; only the owner prunes.
TEST(ServerHistory, EachRoleHasTheRightsTheGrantsSay)
{
    ServerPlace place;
    const QString &database = place.database();
    const QString reader = QStringLiteral("reader_") + database;
    const QString writer = QStringLiteral("writer_") + database;
    cluster().exec(database, QStringLiteral("CREATE ROLE %1 LOGIN; CREATE ROLE %2 LOGIN").arg(reader, writer));
    cluster().exec(database, store::serverGrants(reader, writer));
    place.insert(record("CPU", "Central"));
    place.insert(record("RAM", "Random"));
    const QString asWriter = cluster().client(database, writer);
    const QString asReader = cluster().client(database, reader);

    EXPECT_EQ(orvexDb({QStringLiteral("add"), QStringLiteral("cpu"), QStringLiteral("Unit"), QStringLiteral("--db"),
                       asWriter})
                  .status,
              0);
    const testing_support::Recorded appended = place.history().constLast();
    EXPECT_EQ(appended.who, writer);
    EXPECT_TRUE(orvexDb({QStringLiteral("history"), QStringLiteral("--db"), asWriter})
                    .out.contains(QStringLiteral("  %1  appended CPU").arg(writer)));
    place.exec(QStringLiteral("DELETE FROM acronyms WHERE acronym = 'RAM'"));
    const qint64 deleted = place.history().constLast().number;
    for (const qint64 change : {deleted, appended.number}) {
        const history_cases::ToolRun undone =
            orvexDb({QStringLiteral("undo"), QString::number(change), QStringLiteral("--db"), asWriter});
        EXPECT_EQ(undone.status, 0) << undone.err.toStdString();
    }
    EXPECT_EQ(place.records(), (testing_support::Records{{1, record("CPU", "Central")}, {2, record("RAM", "Random")}}));

    const qsizetype changes = place.history().size();
    for (const char *statement :
         {"UPDATE acronyms_history SET who = 'someone'", "DELETE FROM acronyms_history", "TRUNCATE acronyms_history",
          "INSERT INTO acronyms_history (record, operation) VALUES (9, 'added')",
          "ALTER TABLE acronyms DISABLE TRIGGER acronyms_history_changed",
          "DROP TRIGGER acronyms_history_changed ON acronyms", "SET session_replication_role = replica"}) {
        EXPECT_THROW(cluster().exec(database, QStringLiteral("SET ROLE %1; %2").arg(writer, QLatin1String(statement))),
                     std::runtime_error)
            << statement;
    }
    EXPECT_EQ(place.history().size(), changes);
    const history_cases::ToolRun pruned = orvexDb(
        {QStringLiteral("history"), QStringLiteral("--keep"), QStringLiteral("0"), QStringLiteral("--db"), asWriter});
    EXPECT_EQ(pruned.status, 1);
    EXPECT_EQ(place.history().size(), changes);

    const history_cases::ToolRun refused = orvexDb({QStringLiteral("history"), QStringLiteral("--db"), asReader});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains(QLatin1String("permission denied"))) << refused.err.toStdString();
    EXPECT_TRUE(orvexDb({QStringLiteral("stats"), QStringLiteral("--from"), asReader})
                    .out.contains(QLatin1String("(this role may not read it)")));
    cluster().exec(database, QStringLiteral("GRANT SELECT ON acronyms_history TO %1").arg(reader));
    EXPECT_EQ(orvexDb({QStringLiteral("history"), QStringLiteral("--db"), asReader}).status, 0);

    EXPECT_EQ(orvexDb({QStringLiteral("history"), QStringLiteral("--keep"), QStringLiteral("0"), QStringLiteral("--db"),
                       place.location()})
                  .status,
              0);
    EXPECT_TRUE(place.history().isEmpty());
}

// From a file to a server and back: the same records under the same ids,
// the same history, numbers, who and time included; new records and
// changes are numbered after the copied ones.
TEST(ServerHistory, CopyCarriesItToAServerAndBack)
{
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("source.fdb"));
    ASSERT_EQ(orvexDb({QStringLiteral("create"), file}).status, 0);
    for (const char *acronym : {"ABC", "CPU", "XYZ"})
        orvexDb(
            {QStringLiteral("add"), QString::fromUtf8(acronym), QStringLiteral("first"), QStringLiteral("--db"), file});
    orvexDb({QStringLiteral("delete"), QStringLiteral("ABC"), QStringLiteral("--db"), file});
    testing_support::execFile(file, QStringLiteral("UPDATE Acronyms SET Definition = NULL WHERE Acronym = 'XYZ'"));
    ServerPlace server;
    const history_cases::ToolRun there = orvexDb({QStringLiteral("copy"), file, server.location()});
    ASSERT_EQ(there.status, 0) << there.err.toStdString();
    EXPECT_EQ(server.records(), testing_support::fileRecords(file));
    EXPECT_EQ(server.history(), testing_support::fileHistory(file));
    EXPECT_EQ(
        cluster().query(server.database(),
                        QStringLiteral("SELECT change, to_char(at AT TIME ZONE 'UTC', "
                                       "'YYYY-MM-DD HH24:MI:SS.MS') FROM acronyms_history ORDER BY change")),
        testing_support::queryFile(file, QStringLiteral("SELECT Change, At FROM AcronymsHistory ORDER BY Change")));

    const QString back = folder.filePath(QStringLiteral("back.fdb"));
    ASSERT_EQ(orvexDb({QStringLiteral("copy"), server.location(), back}).status, 0);
    EXPECT_EQ(testing_support::fileRecords(back), testing_support::fileRecords(file));
    EXPECT_EQ(testing_support::fileHistory(back), testing_support::fileHistory(file));

    const qint64 last = server.history().constLast().number;
    orvexDb({QStringLiteral("add"), QStringLiteral("GPU"), QStringLiteral("new"), QStringLiteral("--db"),
             server.location()});
    EXPECT_EQ(server.records().lastKey(), 4);
    EXPECT_EQ(server.history().constLast().number, last + 1);
}

// A table made before the history works as it did, says it keeps none, and
// takes one from its owner only.
TEST(ServerHistory, ATableMadeBeforeGetsOneFromItsOwner)
{
    const QString database = cluster().newDatabase();
    cluster().exec(database, QString::fromUtf8(store::serversql::createTable));
    cluster().exec(database, QStringLiteral("CREATE ROLE owner_%1 LOGIN; ALTER TABLE acronyms OWNER TO owner_%1; "
                                            "CREATE ROLE writer_%1 LOGIN")
                                 .arg(database));
    cluster().exec(database,
                   store::serverGrants(QStringLiteral("writer_") + database, QStringLiteral("writer_") + database)
                       .section(QLatin1String("-- The history"), 0, 0));
    const QString owner = cluster().client(database, QStringLiteral("owner_") + database);
    const QString writer = cluster().client(database, QStringLiteral("writer_") + database);
    const QStringList start{QStringLiteral("history"), QStringLiteral("--start"), QStringLiteral("--db")};

    EXPECT_EQ(orvexDb({QStringLiteral("add"), QStringLiteral("cpu"), QStringLiteral("Central"), QStringLiteral("--db"),
                       writer})
                  .status,
              0);
    const history_cases::ToolRun none = orvexDb({QStringLiteral("history"), QStringLiteral("--db"), owner});
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(none.err.contains(QLatin1String("keeps no history"))) << none.err.toStdString();
    EXPECT_EQ(orvexDb(start + QStringList{writer}).status, 1);
    cluster().exec(database, QStringLiteral("GRANT CREATE ON SCHEMA public TO owner_%1").arg(database));
    const history_cases::ToolRun started = orvexDb(start + QStringList{owner});
    EXPECT_EQ(started.status, 0) << started.err.toStdString();
    EXPECT_TRUE(started.out.contains(QLatin1String("GRANT SELECT ON acronyms_history TO \"orvex_writer\"")))
        << started.out.toStdString();
    EXPECT_EQ(orvexDb(start + QStringList{owner}).status, 1);

    cluster().exec(database, QStringLiteral("GRANT SELECT ON acronyms_history TO writer_%1").arg(database));
    EXPECT_EQ(
        orvexDb({QStringLiteral("add"), QStringLiteral("cpu"), QStringLiteral("Unit"), QStringLiteral("--db"), writer})
            .status,
        0);
    const QList<testing_support::Recorded> history =
        testing_support::recordedIn(cluster().query(database, QString::fromUtf8(testing_support::kServerHistorySql)));
    ASSERT_EQ(history.size(), 1);
    EXPECT_EQ(history.at(0),
              (testing_support::Recorded{0, 1, QStringLiteral("appended"), record("CPU", "Central"),
                                         record("CPU", "Central - Unit"), QStringLiteral("writer_") + database, 0}));
}

// Writers on connections of their own, adding, appending, replacing and
// deleting the same few acronyms at once: the history, replayed in its
// order, gives the table.
TEST(ServerHistory, WritersAtOnceLeaveAHistoryWhoseReplayGivesTheTable)
{
    ServerPlace place;
    constexpr int kWriters = 4;
    constexpr int kWrites = 120;
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            std::mt19937 random(static_cast<unsigned>(w));
            // A connection string of its own: a connection of its own.
            const std::unique_ptr<store::Backend> dictionary =
                store::openServerBackend(place.location() + QStringLiteral(" application_name=w%1").arg(w));
            for (int i = 0; i < kWrites; ++i) {
                const QString key = QStringLiteral("K%1").arg(random() % 5);
                const QString text = QStringLiteral("w%1 i%2").arg(w).arg(i);
                try {
                    const std::optional<store::Entry> entry = dictionary->find(key);
                    if (!entry)
                        dictionary->addUnlessStored(key, text);
                    else if (random() % 3 == 0)
                        dictionary->append(*entry, text);
                    else if (random() % 2 == 0)
                        dictionary->replace(*entry, text);
                    else
                        dictionary->remove(*entry);
                } catch (const store::Error &error) {
                    // Another writer deleted it between the look and the write.
                    EXPECT_EQ(error.kind(), store::Error::Kind::RecordGone) << error.what();
                }
            }
        });
    }
    for (std::thread &writer : writers)
        writer.join();
    const QList<testing_support::Recorded> history = place.history();
    EXPECT_GT(history.size(), kWriters * kWrites / 2);
    EXPECT_EQ(testing_support::replayed(history), place.records());
}

// The program's writer killed at random moments, mid-transaction or not:
// the table and the history always agree.
TEST(ServerHistory, AWriterKilledMidWriteLeavesTableAndHistoryAgreeing)
{
    ServerPlace place;
    std::mt19937 random(20261207);
    qint64 next = 0;
    for (int trial = 0; trial < 15; ++trial) {
        QProcess writer;
        writer.start(QStringLiteral(STOREWRITER_PATH),
                     {QStringLiteral("churn"), place.location(), QString::number(next)});
        ASSERT_TRUE(writer.waitForReadyRead(10000)) << "the writer did not start";
        // The first writer has written once at least, however slow the
        // machine: the history checked at the end is never empty by chance.
        for (QByteArray said = writer.readAll(); trial == 0 && !said.contains("done");) {
            ASSERT_TRUE(writer.waitForReadyRead(10000)) << "the writer wrote nothing";
            said += writer.readAll();
        }
        QThread::msleep(std::uniform_int_distribution<unsigned long>(5, 60)(random));
        writer.kill();
        writer.waitForFinished();
        next += 100;
        // A commit the writer sent before it died may still land: the table
        // and the history are read, one after the other, once it has.
        for (int wait = 0; wait < 250
                           && !cluster()
                                   .query(QStringLiteral("postgres"),
                                          QStringLiteral("SELECT 1 FROM pg_stat_activity WHERE datname = "
                                                         "$1 AND state <> 'idle'"),
                                          {place.database()})
                                   .isEmpty();
             ++wait)
            QThread::msleep(20);
        EXPECT_EQ(testing_support::replayed(place.history()), place.records()) << "trial " << trial;
    }
    EXPECT_FALSE(place.history().isEmpty());
}

} // namespace
