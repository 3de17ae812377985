// The history of changes in a dictionary file: the cases both engines run,
// then what is the file's own: a file without a history works as before
// and never gets one unasked; orvex-db create makes files with one; copy
// carries it; history lists, filters and prunes; undo of a deleted record
// whose place was taken since.

#include "tools/historycases.h"

#include "store/engine.h"
#include "support/casename.h"
#include "support/tempdictionary.h"

#include <QDate>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <pwd.h>
#include <unistd.h>

using history_cases::orvexDb;
using history_cases::record;
using testing_support::CaseName;
using testing_support::Row;
using testing_support::TempDictionary;

namespace {

// The account this test runs as, looked up here for itself.
QString thisUser()
{
    const passwd *entry = getpwuid(geteuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString();
}

class FilePlace final : public history_cases::Place
{
public:
    FilePlace() { store::engineFor(store::Location::file(m_file.path()))->startHistory(); }
    QString location() const override { return m_file.path(); }
    void insert(const Row &row) override { m_file.insert(row); }
    void exec(const QString &sql) override { m_file.exec(sql); }
    QList<testing_support::Recorded> history() override { return testing_support::fileHistory(m_file.path()); }
    testing_support::Records records() override { return testing_support::fileRecords(m_file.path()); }
    std::optional<QString> me() const override { return thisUser(); }
    // Another program names nobody: it does not sign its changes.
    std::optional<QString> someoneElse() const override { return std::nullopt; }
    // A record changed is stored as changed, whether appended or replaced.
    QString stored(const char *operation) const override
    {
        const QString word = QString::fromUtf8(operation);
        return word == QLatin1String("appended") || word == QLatin1String("replaced") ? QStringLiteral("changed")
                                                                                      : word;
    }

private:
    TempDictionary m_file;
};

class FileHistoryPaths : public ::testing::TestWithParam<history_cases::WritePath>
{};

TEST_P(FileHistoryPaths, RecordOneChangeForEachChangeWithBeforeAndAfter)
{
    FilePlace place;
    history_cases::checkWritePath(place, GetParam());
}

INSTANTIATE_TEST_SUITE_P(History, FileHistoryPaths, ::testing::ValuesIn(history_cases::writePaths()), CaseName());

class FileUndo : public ::testing::TestWithParam<history_cases::UndoCase>
{};

TEST_P(FileUndo, PutsTheRecordBackExactlyAsANewChange)
{
    FilePlace place;
    history_cases::checkUndo(place, GetParam());
}

INSTANTIATE_TEST_SUITE_P(History, FileUndo, ::testing::ValuesIn(history_cases::undoCases()), CaseName());

TEST(FileHistory, UndoOfAChangeLaterOnesBuiltOnAsksForForce)
{
    FilePlace place;
    history_cases::checkUndoAskedToForce(place);
}

TEST(FileHistory, AFileWithoutOneWorksAsBeforeAndGetsOneOnlyWhenAsked)
{
    TempDictionary file{record("CPU", "Central")};
    const QString db = file.path();
    {
        store::Dictionary dictionary(store::Location::file(db));
        dictionary.add(QStringLiteral("RAM"), QStringLiteral("Random"));
        dictionary.append(*dictionary.find(QStringLiteral("CPU")), QStringLiteral("Unit"));
        dictionary.remove(*dictionary.find(QStringLiteral("RAM")));
    }
    EXPECT_EQ(file.rows(), (QList<Row>{record("CPU", "Central - Unit")}));
    const auto tables = [&] {
        return testing_support::queryFile(db, QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE type = "
                                                             "'table' AND name = 'AcronymsHistory'"))
            .at(0)
            .at(0);
    };
    EXPECT_EQ(tables(), QStringLiteral("0"));

    const history_cases::ToolRun listed = orvexDb({QStringLiteral("history"), QStringLiteral("--db"), db});
    EXPECT_EQ(listed.status, 1);
    EXPECT_TRUE(listed.err.contains(QLatin1String("keeps no history of changes; orvex-db history --start")))
        << listed.err.toStdString();
    EXPECT_TRUE(orvexDb({QStringLiteral("stats"), QStringLiteral("--from"), db})
                    .out.contains(QLatin1String("history:     none kept")));
    EXPECT_EQ(tables(), QStringLiteral("0"));

    EXPECT_EQ(orvexDb({QStringLiteral("history"), QStringLiteral("--start"), QStringLiteral("--db"), db}).status, 0);
    const history_cases::ToolRun again =
        orvexDb({QStringLiteral("history"), QStringLiteral("--start"), QStringLiteral("--db"), db});
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(again.err.contains(QLatin1String("keeps a history of changes already"))) << again.err.toStdString();
    orvexDb({QStringLiteral("add"), QStringLiteral("cpu"), QStringLiteral("Chip"), QStringLiteral("--db"), db});
    EXPECT_EQ(testing_support::fileHistory(db).size(), 1);
}

// Made by orvex-db create, filled, and copied: the copy holds the same
// records under the same rowids and the same history, and an undo there
// puts a deleted record back in its place. A target that keeps no history
// refuses a source's, and keeps nothing of the copy.
TEST(FileHistory, CreateKeepsOneAndCopyCarriesIt)
{
    QTemporaryDir folder;
    const QString source = folder.filePath(QStringLiteral("source.fdb"));
    ASSERT_EQ(orvexDb({QStringLiteral("create"), source}).status, 0);
    for (const char *acronym : {"ABC", "CPU", "XYZ"})
        orvexDb({QStringLiteral("add"), QString::fromUtf8(acronym), QStringLiteral("first"), QStringLiteral("--db"),
                 source});
    orvexDb({QStringLiteral("delete"), QStringLiteral("ABC"), QStringLiteral("--db"), source});
    orvexDb({QStringLiteral("delete"), QStringLiteral("CPU"), QStringLiteral("--db"), source});
    testing_support::execFile(source, QStringLiteral("UPDATE Acronyms SET Definition = 'by hand'"));
    const QList<testing_support::Recorded> history = testing_support::fileHistory(source);
    ASSERT_EQ(history.size(), 6);

    const QString copy = folder.filePath(QStringLiteral("copy.fdb"));
    const history_cases::ToolRun copied = orvexDb({QStringLiteral("copy"), source, copy});
    EXPECT_EQ(copied.status, 0) << copied.err.toStdString();
    EXPECT_EQ(testing_support::fileRecords(copy), testing_support::fileRecords(source));
    EXPECT_EQ(testing_support::fileHistory(copy), history);
    const QString numbers = QStringLiteral("SELECT group_concat(Change) FROM AcronymsHistory");
    EXPECT_EQ(testing_support::queryFile(copy, numbers), testing_support::queryFile(source, numbers));
    EXPECT_EQ(
        orvexDb({QStringLiteral("undo"), QString::number(history.at(4).number), QStringLiteral("--db"), copy}).status,
        0);
    EXPECT_EQ(testing_support::fileRecords(copy),
              (testing_support::Records{{2, record("CPU", "first")}, {3, record("XYZ", "by hand")}}));

    TempDictionary without;
    const history_cases::ToolRun refused = orvexDb({QStringLiteral("copy"), source, without.path()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains(QLatin1String("keeps no history"))) << refused.err.toStdString();
    EXPECT_TRUE(without.rows().isEmpty());
}

TEST(FileHistory, ListsNewestFirstFiltersPrunesAndCounts)
{
    FilePlace place;
    const QString db = place.location();
    history_cases::tool(place, {QStringLiteral("add"), QStringLiteral("cpu"), QStringLiteral("Central")});
    history_cases::tool(place, {QStringLiteral("add"), QStringLiteral("ram"), QStringLiteral("Random")});
    history_cases::tool(place, {QStringLiteral("replace"), QStringLiteral("cpu"), QStringLiteral("Processor")});
    place.exec(QStringLiteral("UPDATE Acronyms SET Definition = 'by hand' WHERE Acronym = 'RAM'"));
    const auto listed = [&](QStringList more) {
        const history_cases::ToolRun run =
            orvexDb(QStringList{QStringLiteral("history"), QStringLiteral("--db"), db} + more);
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        QStringList heads;
        for (const QString &line : run.out.split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1Char('#')))
                heads << line.section(QLatin1Char(' '), 0, 0) + QLatin1Char(' ') + line.section(QLatin1String("  "), 3);
        }
        return heads;
    };
    const QString me = thisUser();
    EXPECT_EQ(listed({}),
              (QStringList{QStringLiteral("#4 replaced RAM (record 2)"), QStringLiteral("#3 replaced CPU (record 1)"),
                           QStringLiteral("#2 added RAM (record 2)"), QStringLiteral("#1 added CPU (record 1)")}));
    EXPECT_TRUE(orvexDb({QStringLiteral("history"), QStringLiteral("--db"), db})
                    .out.contains(QStringLiteral("  (another program)  replaced RAM (record 2)\n"
                                                 "    before: Random\n    after:  by hand\n")));
    EXPECT_EQ(listed({QStringLiteral(" cpu ")}),
              (QStringList{QStringLiteral("#3 replaced CPU (record 1)"), QStringLiteral("#1 added CPU (record 1)")}));
    EXPECT_EQ(listed({QStringLiteral("--by"), me}).size(), 3);
    EXPECT_EQ(listed({QStringLiteral("--since"), QDate::currentDate().addDays(1).toString(Qt::ISODate)}).size(), 0);
    EXPECT_EQ(listed({QStringLiteral("--since"), QDate::currentDate().addDays(-1).toString(Qt::ISODate)}).size(), 4);

    // Two changes made long ago go; the others stay, and stats counts them.
    place.exec(QStringLiteral("UPDATE AcronymsHistory SET At = '2001-02-03 04:05:06.789' WHERE Change <= 2"));
    const history_cases::ToolRun pruned = orvexDb(
        {QStringLiteral("history"), QStringLiteral("--keep"), QStringLiteral("30"), QStringLiteral("--db"), db});
    EXPECT_TRUE(pruned.out.startsWith(QLatin1String("forgot 2 changes older than 30 days")))
        << pruned.out.toStdString();
    EXPECT_EQ(listed({}).size(), 2);
    EXPECT_TRUE(orvexDb({QStringLiteral("stats"), QStringLiteral("--from"), db})
                    .out.contains(
                        QRegularExpression(QStringLiteral("\nhistory:     2 changes since [-0-9: ]+, \\d+ bytes\n"))));
}

// SQLite gives a new record the rowid after the last: a deleted last record's
// place may be taken since, and then it comes back at the end.
TEST(FileHistory, UndoOfADeletionWhosePlaceWasTakenPutsItAtTheEnd)
{
    FilePlace place;
    place.insert(record("ABC", "first"));
    place.insert(record("CPU", "Central"));
    history_cases::tool(place, {QStringLiteral("delete"), QStringLiteral("cpu")});
    const qint64 deleted = place.history().constLast().number;
    history_cases::tool(place, {QStringLiteral("add"), QStringLiteral("gpu"), QStringLiteral("Graphics")});
    ASSERT_EQ(place.records().lastKey(), 2);

    const QStringList undo{QStringLiteral("undo"), QString::number(deleted), QStringLiteral("--db"), place.location()};
    EXPECT_EQ(orvexDb(undo).status, 1);
    const history_cases::ToolRun forced = orvexDb(undo + QStringList{QStringLiteral("--force")});
    EXPECT_EQ(forced.status, 0) << forced.err.toStdString();
    EXPECT_TRUE(forced.out.contains(QLatin1String("CPU is back, at the end"))) << forced.out.toStdString();
    EXPECT_EQ(place.records(),
              (testing_support::Records{
                  {1, record("ABC", "first")}, {2, record("GPU", "Graphics")}, {3, record("CPU", "Central")}}));
}

} // namespace
