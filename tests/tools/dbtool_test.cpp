#include "tools/dbtool.h"

#include "support/casename.h"
#include "store/acronymindex.h"
#include "store/engine.h"

#include "support/printers.h"
#include "support/tempdictionary.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

using testing_support::CaseName;
using testing_support::Row;
using testing_support::TempDictionary;

namespace {

struct ToolRun
{
    int code;
    QString out;
    QString err;
};

ToolRun dbTool(const QStringList &arguments, const tools::DbToolSetup &setup = {})
{
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const int code = tools::runDbTool(arguments, outStream, errStream, setup);
    outStream.flush();
    errStream.flush();
    return {code, out, err};
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    return path;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

Row row(const QString &acronym, const QString &definition)
{
    return Row{acronym, definition, 1};
}

ToolRun importInto(const QString &file, const QString &db, const QStringList &extra = {})
{
    return dbTool(QStringList{QStringLiteral("import"), file, QStringLiteral("--into"), db} + extra);
}

TEST(DbTool, CreateMakesAnEmptyDictionaryAndNeverOverwrites)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nym2.fdb"));
    EXPECT_EQ(dbTool({QStringLiteral("create"), path}).code, 0);
    EXPECT_TRUE(QFileInfo::exists(path));

    const ToolRun again = dbTool({QStringLiteral("create"), path});
    EXPECT_EQ(again.code, 1);
    EXPECT_TRUE(again.err.contains(QLatin1String("already exists"))) << again.err.toStdString();
}

TEST(DbTool, ImportUpperCasesKeysAppendsToStoredOnesAndReportsBadLines)
{
    TempDictionary dictionary{row(QStringLiteral(" CPU"), QStringLiteral("Central Processing Unit"))};
    QTemporaryDir dir;
    const QString tsv = writeFile(dir, QStringLiteral("in.tsv"),
                                  "# comment\n"
                                  "$tag\n"
                                  "cpu\tCentral Processor\n"
                                  "ram\tRandom Access Memory\n"
                                  "no tab here\n"
                                  "RAM\tRandom-access memory\n"
                                  "\t\n"
                                  "BAD\t\xC3\x28\n"
                                  "\xC3\xA9t\xC3\xA9\tsummer in French\n");
    const ToolRun run = importInto(tsv, dictionary.path());
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    for (const char *line : {"line 5: no tab", "line 7: empty acronym", "line 8: not valid UTF-8"})
        EXPECT_TRUE(run.err.contains(QLatin1String(line))) << line << " in " << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QLatin1String("added 2, appended to 2, skipped 3"))) << run.out.toStdString();
    EXPECT_EQ(dictionary.rows(),
              (QList<Row>{row(QStringLiteral(" CPU"), QStringLiteral("Central Processing Unit - Central Processor")),
                          row(QStringLiteral("RAM"), QStringLiteral("Random Access Memory - Random-access memory")),
                          row(QStringLiteral("ÉTÉ"), QStringLiteral("summer in French"))}));
}

TEST(DbTool, ImportReadsWindowsLineEndsAndAByteOrderMark)
{
    TempDictionary dictionary;
    QTemporaryDir dir;
    const QString tsv = writeFile(dir, QStringLiteral("in.tsv"), "\xEF\xBB\xBFGUI\tGraphical User Interface\r\nOS\tOperating System\r\n");
    EXPECT_EQ(importInto(tsv, dictionary.path()).code, 0);
    EXPECT_EQ(dictionary.rows(), (QList<Row>{row(QStringLiteral("GUI"), QStringLiteral("Graphical User Interface")),
                                             row(QStringLiteral("OS"), QStringLiteral("Operating System"))}));
}

struct BadLine
{
    std::string name;
    QByteArray line;
    const char *why;
};

class StrictImport : public testing::TestWithParam<BadLine>
{
};

TEST_P(StrictImport, RefusesTheWholeFileAtABadLine)
{
    TempDictionary dictionary{row(QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"))};
    QTemporaryDir dir;
    const QString tsv = writeFile(dir, QStringLiteral("in.tsv"),
                                  "GOOD\tfine\nCPU\tmore\n" + GetParam().line + "\nLATE\tnever read\n");
    const ToolRun run = importInto(tsv, dictionary.path(), {QStringLiteral("--strict")});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("line 3: %1").arg(QLatin1String(GetParam().why))))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String("nothing was imported"))) << run.err.toStdString();
    EXPECT_EQ(dictionary.rows(), (QList<Row>{row(QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"))}));

    // Without --strict the same file goes in, less the bad line.
    EXPECT_EQ(importInto(tsv, dictionary.path()).code, 0);
    EXPECT_EQ(dictionary.rows().size(), 3);
}

INSTANTIATE_TEST_SUITE_P(
    DbTool, StrictImport,
    testing::Values(BadLine{"NoTab", "ABC definition", "no tab"},
                    BadLine{"EmptyAcronym", "  \tdefinition", "empty acronym"},
                    BadLine{"EmptyDefinition", "ABC\t   ", "empty definition"},
                    BadLine{"Truncated", "ABC\tcaf\xC3", "not valid UTF-8"},
                    BadLine{"Overlong", "\xC0\xAF\tslash", "not valid UTF-8"},
                    BadLine{"Surrogate", "ABC\t\xED\xA0\x80", "not valid UTF-8"},
                    BadLine{"BeyondUnicode", "ABC\t\xF4\x90\x80\x80", "not valid UTF-8"}),
    CaseName());

TEST(DbTool, ImportGivesADictionaryMadeElsewhereTheLookupIndex)
{
    TempDictionary dictionary{Row{QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"), 1}};
    QTemporaryDir dir;
    const QString tsv = writeFile(dir, QStringLiteral("in.tsv"), "RAM\tRandom Access Memory\n");
    const auto state = [&] {
        store::Database db = store::Engine::instance().open(dictionary.path());
        return store::acronymIndexState(db);
    };
    ASSERT_EQ(state(), store::AcronymIndex::Missing);
    EXPECT_EQ(dbTool({QStringLiteral("import"), tsv, QStringLiteral("--into"), dictionary.path()}).code, 0);
    EXPECT_EQ(state(), store::AcronymIndex::Usable);
}

TEST(DbTool, AFailedImportWritesNothing)
{
    TempDictionary dictionary{row(QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"))};
    dictionary.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Acronyms "
                                   "WHEN NEW.Acronym = 'BAD' BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    QTemporaryDir dir;
    const QString tsv = writeFile(dir, QStringLiteral("in.tsv"), "GOOD\tfine\nCPU\tmore\nBAD\tfails\n");
    const ToolRun run = importInto(tsv, dictionary.path());
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(dictionary.rows(), (QList<Row>{row(QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"))}));
}

TEST(DbTool, ImportIntoAMissingDictionaryFailsAndSaysHowToMakeOne)
{
    QTemporaryDir dir;
    const QString tsv = writeFile(dir, QStringLiteral("in.tsv"), "A\tb\n");
    const QString missing = dir.filePath(QStringLiteral("missing.fdb"));
    const ToolRun run = importInto(tsv, missing);
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains(QLatin1String("orvex-db create"))) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(missing));
}

TEST(DbTool, ImportReadsCsvWithAHeaderRow)
{
    QTemporaryDir dir;
    struct Case
    {
        const char *name;
        QByteArray content;
    };
    // Columns are found by their header names; quoted fields may hold commas,
    // quotes and line breaks.
    const QByteArray body = "\"tcp/ip\",\"Transmission Control Protocol, Internet Protocol\"\r\n"
                            "QUOTE,\"the \"\"word\"\"\"\n"
                            "\n"
                            "POEM,\"two\nlines\"\n"
                            "SHORT\n"
                            "LAST,after the short one\n";
    for (const Case &c : {Case{"words.csv", "Acronym,Definition\n" + body},
                          Case{"words.txt", "acronym, definition\n" + body}}) {
        TempDictionary dictionary;
        const ToolRun run = importInto(writeFile(dir, QLatin1String(c.name), c.content), dictionary.path());
        EXPECT_EQ(run.code, 0) << c.name;
        EXPECT_TRUE(run.err.contains(QLatin1String("line 7: 1 fields where 2 are needed"))) << run.err.toStdString();
        EXPECT_EQ(dictionary.rows(),
                  (QList<Row>{row(QStringLiteral("TCP/IP"), QStringLiteral("Transmission Control Protocol, Internet Protocol")),
                              row(QStringLiteral("QUOTE"), QStringLiteral("the \"word\"")),
                              row(QStringLiteral("POEM"), QStringLiteral("two\nlines")),
                              row(QStringLiteral("LAST"), QStringLiteral("after the short one"))}))
            << c.name;
    }

    TempDictionary reordered;
    EXPECT_EQ(importInto(writeFile(dir, QStringLiteral("swapped.csv"), "Notes,Definition,Acronym\nx,Central Processing Unit,cpu\n"),
                         reordered.path())
                  .code,
              0);
    EXPECT_EQ(reordered.rows(), (QList<Row>{row(QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"))}));

    TempDictionary unclosed;
    const ToolRun run = importInto(writeFile(dir, QStringLiteral("open.csv"), "Acronym,Definition\nA,\"never closed\n"),
                                   unclosed.path(), {QStringLiteral("--strict")});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains(QLatin1String("line 2: a quoted field is not closed"))) << run.err.toStdString();
}

// Records as the program and the importer write them, with every kind of
// text the formats must carry unchanged.
const QList<Row> kStoredRecords{
    row(QStringLiteral("CPU"), QStringLiteral("Central Processing Unit - Central Processor")),
    row(QStringLiteral("  AB C "), QStringLiteral(" spaced out  ")),
    row(QStringLiteral("TAB"), QStringLiteral("a\ttab inside")),
    row(QStringLiteral("ÄÖÜ"), QStringLiteral("Umlaute, \"quoted\" and 日本語")),
    row(QStringLiteral("C#"), QStringLiteral("C sharp")),
};

TEST(DbTool, ImportingAnExportGivesAnIdenticalTable)
{
    for (const QString &name : {QStringLiteral("out.tsv"), QStringLiteral("out.csv")}) {
        TempDictionary original;
        for (const Row &r : kStoredRecords)
            original.insert(r);
        QTemporaryDir dir;
        const QString file = dir.filePath(name);
        const ToolRun exported = dbTool({QStringLiteral("export"), QStringLiteral("--from"), original.path(), file});
        ASSERT_EQ(exported.code, 0) << exported.err.toStdString();
        EXPECT_TRUE(exported.out.contains(QLatin1String("exported 5 records"))) << exported.out.toStdString();

        TempDictionary copy; // an empty dictionary
        const ToolRun imported = importInto(file, copy.path(), {QStringLiteral("--strict")});
        ASSERT_EQ(imported.code, 0) << imported.err.toStdString();
        EXPECT_EQ(copy.rows(), original.rows()) << name.toStdString();
    }
}

TEST(DbTool, ExportToStandardOutputWritesTabSeparatedLines)
{
    TempDictionary dictionary{row(QStringLiteral("CPU"), QStringLiteral("Central Processing Unit")),
                              row(QStringLiteral("RAM"), QStringLiteral("Random-Access Memory"))};
    const ToolRun run = dbTool({QStringLiteral("export"), QStringLiteral("--from"), dictionary.path()});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, QStringLiteral("CPU\tCentral Processing Unit\nRAM\tRandom-Access Memory\n"));
}

TEST(DbTool, ExportListsTheRecordsItsFormatCannotCarry)
{
    TempDictionary dictionary{row(QStringLiteral("CPU"), QStringLiteral("Central Processing Unit")),
                              Row{std::nullopt, QStringLiteral("orphan"), 1},
                              row(QStringLiteral("EMPTY"), QStringLiteral("  ")),
                              row(QStringLiteral("POEM"), QStringLiteral("two\nlines")),
                              row(QStringLiteral("#1"), QStringLiteral("number one")),
                              row(QStringLiteral("RAM"), QStringLiteral("Random-Access Memory"))};
    QTemporaryDir dir;
    const QString tsv = dir.filePath(QStringLiteral("out.tsv"));
    const ToolRun run = dbTool({QStringLiteral("export"), QStringLiteral("--from"), dictionary.path(), tsv});
    EXPECT_EQ(run.code, 1);
    for (const char *left : {"record 2 (): no acronym", "record 3 (EMPTY): no definition", "record 4 (POEM): a line break",
                             "record 5 (#1): an acronym that would read as a comment"})
        EXPECT_TRUE(run.err.contains(QLatin1String(left))) << left << " in " << run.err.toStdString();
    EXPECT_EQ(readFile(tsv), QByteArray("CPU\tCentral Processing Unit\nRAM\tRandom-Access Memory\n"));

    // CSV carries line breaks and leading '#'.
    const QString csv = dir.filePath(QStringLiteral("out.csv"));
    EXPECT_EQ(dbTool({QStringLiteral("export"), QStringLiteral("--from"), dictionary.path(), csv}).code, 1);
    EXPECT_EQ(readFile(csv), QByteArray("Acronym,Definition\nCPU,Central Processing Unit\nPOEM,\"two\nlines\"\n"
                                        "#1,number one\nRAM,Random-Access Memory\n"));
}

TEST(DbTool, ExportNeverWritesOverTheDictionaryItself)
{
    TempDictionary dictionary{row(QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"))};
    const ToolRun run = dbTool({QStringLiteral("export"), QStringLiteral("--from"), dictionary.path(), dictionary.path()});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(dictionary.rows(), (QList<Row>{row(QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"))}));
}

TEST(DbTool, StatsCountsWhatLookupsCanAndCannotReach)
{
    TempDictionary dictionary{row(QStringLiteral("CPU"), QStringLiteral("one")),
                              row(QStringLiteral(" CPU "), QStringLiteral("behind the first")),
                              row(QStringLiteral("cpu"), QStringLiteral("lower case")),
                              Row{QStringLiteral("RAM"), std::nullopt, 1},
                              Row{std::nullopt, QStringLiteral("orphan"), 1},
                              row(QStringLiteral("GPU"), QStringLiteral("two"))};
    const ToolRun run = dbTool({QStringLiteral("stats"), QStringLiteral("--from"), dictionary.path()});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    for (const char *line : {"records:     6\n", "acronyms:    3\n", "repeated:    1 ", "lower-case:  1 ", "incomplete:  2 "})
        EXPECT_TRUE(run.out.contains(QLatin1String(line))) << line << " in " << run.out.toStdString();
}

TEST(DbTool, CommandsWithoutADictionaryUseTheDefaultOne)
{
    TempDictionary dictionary;
    QTemporaryDir dir;
    tools::DbToolSetup setup;
    setup.defaultDatabase = dictionary.path();
    const QString tsv = writeFile(dir, QStringLiteral("in.tsv"), "CPU\tCentral Processing Unit\n");
    EXPECT_EQ(dbTool({QStringLiteral("import"), tsv}, setup).code, 0);
    EXPECT_EQ(dbTool({QStringLiteral("export")}, setup).out, QStringLiteral("CPU\tCentral Processing Unit\n"));
    EXPECT_TRUE(dbTool({QStringLiteral("stats")}, setup).out.contains(QLatin1String("records:     1")));
    EXPECT_TRUE(dbTool({QStringLiteral("--help")}, setup).out.contains(dictionary.path()));
}

TEST(DbTool, AWrongCommandLineShowsUsage)
{
    const QStringList cases[] = {
        {},
        {QStringLiteral("create")},
        {QStringLiteral("frobnicate"), QStringLiteral("x")},
        {QStringLiteral("import")},
        {QStringLiteral("import"), QStringLiteral("a.tsv"), QStringLiteral("b.tsv")},
        {QStringLiteral("import"), QStringLiteral("a.tsv"), QStringLiteral("--into")},
        {QStringLiteral("import"), QStringLiteral("a.tsv"), QStringLiteral("--from"), QStringLiteral("x.fdb")},
        {QStringLiteral("import"), QStringLiteral("a.tsv"), QStringLiteral("--quick")},
        {QStringLiteral("export"), QStringLiteral("a.tsv"), QStringLiteral("b.tsv")},
        {QStringLiteral("export"), QStringLiteral("--strict")},
        {QStringLiteral("stats"), QStringLiteral("x.fdb")},
    };
    for (const QStringList &arguments : cases) {
        const ToolRun run = dbTool(arguments);
        EXPECT_EQ(run.code, 2) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String("usage:")));
    }
}

} // namespace
