#include "tools/dbtool.h"

#include "store/file/acronymindex.h"
#include "store/dictionary.h"
#include "store/file/files.h"
#include "store/file/schema.h"
#include "store/text.h"
#include "support/casename.h"
#include "support/printers.h"
#include "support/storehelpers.h"
#include "support/tempdictionary.h"
#include "tools/importer.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <thread>

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

QString writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    return path;
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    return writeFile(dir.filePath(name), content);
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

// The summary's counts add up: every record read is added, appended, found
// there already, or skipped.
void expectCountsAddUp(const QString &summary)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d+) records? read: (\\d+) added, (\\d+) appended, (\\d+) already there, (\\d+) skipped"));
    const QRegularExpressionMatch match = pattern.match(summary);
    ASSERT_TRUE(match.hasMatch()) << summary.toStdString();
    qint64 sum = 0;
    for (int i = 2; i <= 5; ++i)
        sum += match.captured(i).toLongLong();
    EXPECT_EQ(sum, match.captured(1).toLongLong()) << summary.toStdString();
}

const Row kStored = row(QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"));

// One input file and what importing it into a dictionary holding kStored
// gives: the exit status, words of the messages, and the table afterwards
// (empty: the dictionary must stay byte for byte as it was).
struct InputCase
{
    std::string name;
    const char *file;
    QByteArray content;
    QStringList options;
    int code;
    QStringList messages; // found in the summary or the error output
    QList<Row> after;
};

class ImportOf : public testing::TestWithParam<InputCase>
{};

TEST_P(ImportOf, GivesItsResultAndAccountsForEveryLine)
{
    const InputCase &c = GetParam();
    TempDictionary dictionary{kStored};
    const QByteArray before = readFile(dictionary.path());
    QTemporaryDir dir;
    const ToolRun run = importInto(writeFile(dir, QLatin1String(c.file), c.content), dictionary.path(), c.options);
    EXPECT_EQ(run.code, c.code) << run.out.toStdString() << run.err.toStdString();
    for (const QString &message : c.messages)
        EXPECT_TRUE((run.out + run.err).contains(message)) << message.toStdString() << " in\n"
                                                           << run.out.toStdString() << run.err.toStdString();
    if (c.after.isEmpty()) {
        EXPECT_EQ(readFile(dictionary.path()), before);
    } else {
        expectCountsAddUp(run.out);
        EXPECT_EQ(dictionary.rows(), c.after);
    }
}

QByteArray utf16le(const QString &text)
{
    QByteArray bytes("\xFF\xFE");
    bytes.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    return bytes;
}

QByteArray manyBadLines()
{
    QByteArray lines;
    for (int i = 0; i < 25; ++i)
        lines += "no tab on this line\n";
    return lines + "GPU\tGraphics Processing Unit\n";
}

// Binary found well past the first thousands of good records, which have
// been read and stored by then.
QByteArray binaryFarIntoTheFile()
{
    QByteArray lines;
    for (int i = 0; i < 20000; ++i)
        lines += "K" + QByteArray::number(i) + "\tmeaning\n";
    return lines + QByteArray("BAD\tx\0y\n", 9);
}

const QString kCsvHeaderHint = QStringLiteral("--acronym-column");

INSTANTIATE_TEST_SUITE_P(
    DbTool, ImportOf,
    testing::Values(
        InputCase{"TabSeparatedWithBadLines",
                  "in.tsv",
                  "# comment\n$tag\ncpu\tCentral Processor\nram\tRandom Access Memory\nno tab here\n"
                  "RAM\tRandom-access memory\n\t\nTHREE\tfields\there\n\xC3\xA9t\xC3\xA9\tsummer in French\n",
                  {},
                  0,
                  {QStringLiteral("7 records read: 2 added, 2 appended, 0 already there, 3 skipped"),
                   QStringLiteral("line 5: no tab"), QStringLiteral("line 7: empty acronym"),
                   QStringLiteral("line 8: 3 tab-separated fields")},
                  {row(QStringLiteral("CPU"), QStringLiteral("Central Processing Unit - Central Processor")),
                   row(QStringLiteral("RAM"), QStringLiteral("Random Access Memory - Random-access memory")),
                   row(QStringLiteral("ÉTÉ"), QStringLiteral("summer in French"))}},
        InputCase{"ByteOrderMarkAndWindowsLineEnds",
                  "in.tsv",
                  "\xEF\xBB\xBFGUI\tGraphical User Interface\r\nOS\tOperating System\r\r\n",
                  {},
                  0,
                  {},
                  {kStored, row(QStringLiteral("GUI"), QStringLiteral("Graphical User Interface")),
                   row(QStringLiteral("OS"), QStringLiteral("Operating System"))}},
        InputCase{"OldMacLineEnds",
                  "in.tsv",
                  "GUI\tGraphical User Interface\rOS\tOperating System\r",
                  {},
                  0,
                  {},
                  {kStored, row(QStringLiteral("GUI"), QStringLiteral("Graphical User Interface")),
                   row(QStringLiteral("OS"), QStringLiteral("Operating System"))}},
        InputCase{"Utf16WithByteOrderMark",
                  "in.tsv",
                  utf16le(QStringLiteral("GUI\tGraphical\nÉTÉ\tsummer\n")),
                  {},
                  0,
                  {},
                  {kStored, row(QStringLiteral("GUI"), QStringLiteral("Graphical")),
                   row(QStringLiteral("ÉTÉ"), QStringLiteral("summer"))}},
        InputCase{"HeaderLineInTabSeparated",
                  "in.tsv",
                  "Acronym\tDefinition\nGUI\tGraphical\n",
                  {},
                  0,
                  {QStringLiteral("line 1: a header row")},
                  {kStored, row(QStringLiteral("GUI"), QStringLiteral("Graphical"))}},
        InputCase{"BadListingIsCapped",
                  "in.tsv",
                  manyBadLines(),
                  {},
                  0,
                  {QStringLiteral("line 20: no tab"), QStringLiteral("and 5 more bad lines")},
                  {kStored, row(QStringLiteral("GPU"), QStringLiteral("Graphics Processing Unit"))}},
        InputCase{"Binary",
                  "orvex-db",
                  QByteArray("\x7F"
                             "ELF\x02\x01\x01\0\0\0CPU\tx\n",
                             17),
                  {},
                  1,
                  {QStringLiteral("not a text file")},
                  {}},
        InputCase{
            "BinaryFarIntoTheFile", "in.tsv", binaryFarIntoTheFile(), {}, 1, {QStringLiteral("not a text file")}, {}},
        InputCase{"Latin1",
                  "in.tsv",
                  "GUI\tGraphical\nETE\t\xE9t\xE9\n",
                  {},
                  1,
                  {QStringLiteral("not UTF-8 or UTF-16 text (line 2)")},
                  {}},
        InputCase{"Semicolons", "list", "GUI;Graphical User Interface\n", {}, 1, {QStringLiteral("semicolons")}, {}},
        InputCase{"Empty", "in.tsv", "", {}, 1, {QStringLiteral("is empty")}, {}},
        InputCase{"OnlyComments", "in.tsv", "# nothing\n\n", {}, 1, {QStringLiteral("holds no records")}, {}},
        InputCase{"NothingUsable",
                  "in.tsv",
                  "just words\nmore words\n",
                  {},
                  1,
                  {QStringLiteral("line 2: no tab"), QStringLiteral("no line could be imported")},
                  {}},
        InputCase{"StrictStopsAtABadLine",
                  "in.tsv",
                  "GOOD\tfine\nCPU\tmore\nABC definition\nLATE\tnever\n",
                  {QStringLiteral("--strict")},
                  1,
                  {QStringLiteral("line 3: no tab"), QStringLiteral("nothing was imported")},
                  {}},
        InputCase{"CsvWithUnknownHeader",
                  "in.csv",
                  "Name,Meaning\nCPU,x\n",
                  {},
                  1,
                  {QStringLiteral("no acronym column"), QStringLiteral("\"Name\", \"Meaning\""), kCsvHeaderHint},
                  {}},
        InputCase{"CsvWithoutHeader",
                  "in.csv",
                  "GPU,Graphics Processing Unit\nOS,Operating System\n",
                  {},
                  1,
                  {QStringLiteral("no acronym column"), QStringLiteral("\"GPU\"")},
                  {}},
        InputCase{"CsvNamedColumnMissing",
                  "in.csv",
                  "Name,Meaning\nCPU,x\n",
                  {QStringLiteral("--acronym-column"), QStringLiteral("Label")},
                  1,
                  {QStringLiteral("no column named \"Label\"")},
                  {}},
        InputCase{"CsvQuotedFieldsAndLineBreaks",
                  "in.csv",
                  "acronym, definition\n\"tcp/ip\",\"Transmission Control Protocol, Internet Protocol\"\r\n"
                  "QUOTE,\"the \"\"word\"\"\"\n\nPOEM,\"two\nlines\"\nSHORT\nLAST,after the short one\n",
                  {},
                  0,
                  {QStringLiteral("line 7: empty definition")},
                  {kStored,
                   row(QStringLiteral("TCP/IP"), QStringLiteral("Transmission Control Protocol, Internet Protocol")),
                   row(QStringLiteral("QUOTE"), QStringLiteral("the \"word\"")),
                   row(QStringLiteral("POEM"), QStringLiteral("two\nlines")),
                   row(QStringLiteral("LAST"), QStringLiteral("after the short one"))}},
        InputCase{"CsvStrayQuoteSwallowsNothing",
                  "in.csv",
                  "Acronym,Definition\nA,one\nB,\"two\nC,three\nD,\"four, five\"\n",
                  {},
                  0,
                  {QStringLiteral("line 3: text after a closing quote"),
                   QStringLiteral("4 records read: 3 added, 0 appended, 0 already there, 1 skipped")},
                  {kStored, row(QStringLiteral("A"), QStringLiteral("one")),
                   row(QStringLiteral("C"), QStringLiteral("three")),
                   row(QStringLiteral("D"), QStringLiteral("four, five"))}},
        InputCase{"CsvQuoteNeverClosed",
                  "in.csv",
                  "Acronym,Definition\nA,one\nB,\"two\nC,three\nD,four\n",
                  {},
                  0,
                  {QStringLiteral("line 3: a quote that is never closed")},
                  {kStored, row(QStringLiteral("A"), QStringLiteral("one")),
                   row(QStringLiteral("C"), QStringLiteral("three")),
                   row(QStringLiteral("D"), QStringLiteral("four"))}},
        InputCase{"CsvStrayQuoteStrict",
                  "in.csv",
                  "Acronym,Definition\nA,one\nB,\"two\nC,three\n",
                  {QStringLiteral("--strict")},
                  1,
                  {QStringLiteral("line 3: a quote that is never closed")},
                  {}},
        InputCase{"CsvHeaderRepeated",
                  "in.csv",
                  "Acronym,Definition\nA,one\nACRONYM,Definition\nB,two\n",
                  {},
                  0,
                  {QStringLiteral("line 3: the header row again")},
                  {kStored, row(QStringLiteral("A"), QStringLiteral("one")),
                   row(QStringLiteral("B"), QStringLiteral("two"))}},
        InputCase{"CsvTooManyFields",
                  "in.csv",
                  "Acronym,Definition\nA,one,two\nB,two\n",
                  {},
                  0,
                  {QStringLiteral("line 2: 3 fields where the header names 2")},
                  {kStored, row(QStringLiteral("B"), QStringLiteral("two"))}},
        InputCase{
            "CsvOrganisationList",
            "list.csv",
            "Title,Meaning,Context,Notes\nAaaS,\"Analytics as a Service\",Cloud,\nCPU,\"Central Processing Unit\",,\n"
            "SLA,\"Service Level Agreement\",\"Contracts, legal\",\nSLA,\"Software License Agreement\",,old\n",
            {},
            0,
            {QStringLiteral("4 records read: 2 added, 1 appended, 1 already there, 0 skipped")},
            {kStored, row(QStringLiteral("AAAS"), QStringLiteral("Analytics as a Service")),
             row(QStringLiteral("SLA"), QStringLiteral("Service Level Agreement - Software License Agreement"))}},
        InputCase{
            "CsvWithColumnsAppended",
            "list.csv",
            "Title,Meaning,Context,Notes\nSLA,Service Level Agreement,\"Contracts, legal\",signed\nAaaS,Analytics,,\n",
            {QStringLiteral("--with-columns"), QStringLiteral("Context,Notes")},
            0,
            {},
            {kStored, row(QStringLiteral("SLA"), QStringLiteral("Service Level Agreement (Contracts, legal; signed)")),
             row(QStringLiteral("AAAS"), QStringLiteral("Analytics"))}},
        InputCase{"CsvColumnsNamedOnTheCommandLine",
                  "in.txt",
                  "Name,Label,Text\nx,gpu,Graphics\n",
                  {QStringLiteral("--acronym-column"), QStringLiteral("label"), QStringLiteral("--definition-column"),
                   QStringLiteral("TEXT")},
                  0,
                  {},
                  {kStored, row(QStringLiteral("GPU"), QStringLiteral("Graphics"))}}),
    CaseName());

TEST(DbTool, ImportingTwiceGivesTheSameTableAsOnce)
{
    TempDictionary dictionary{kStored};
    QTemporaryDir dir;
    const QString tsv = writeFile(dir, QStringLiteral("in.tsv"),
                                  "CPU\tCentral Processing Unit\nafaik\tas far as I know\nAFAIK\tas far as I know\n"
                                  "AFAIK\t as far as I know \nRAM\tRandom - Access Memory\n");
    ASSERT_EQ(importInto(tsv, dictionary.path()).code, 0);
    const QList<Row> once = dictionary.rows();
    EXPECT_EQ(once, (QList<Row>{kStored, row(QStringLiteral("AFAIK"), QStringLiteral("as far as I know")),
                                row(QStringLiteral("RAM"), QStringLiteral("Random - Access Memory"))}));
    const ToolRun again = importInto(tsv, dictionary.path());
    EXPECT_EQ(again.code, 0);
    EXPECT_TRUE(again.out.startsWith(QLatin1String("5 records read: 0 added, 0 appended, 5 already there")))
        << again.out.toStdString();
    EXPECT_EQ(dictionary.rows(), once);
}

TEST(DbTool, AFileThatShrinksWhileReadIsRefused)
{
    TempDictionary dictionary{kStored};
    const QByteArray before = readFile(dictionary.path());
    QTemporaryDir dir;
    QByteArray lines;
    for (int i = 0; i < 200000; ++i)
        lines += "K" + QByteArray::number(i) + "\tsome meaning\n";
    const QString path = writeFile(dir, QStringLiteral("in.tsv"), lines);
    QFile input(path);
    ASSERT_TRUE(input.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    tools::ImportOptions options;
    options.progress = [&](qint64, qint64) { QFile::resize(path, 100000); };
    try {
        tools::importRecords(store::Location::file(dictionary.path()), input, path, options);
        ADD_FAILURE() << "imported a file that got shorter";
    } catch (const tools::ImportRefused &refusal) {
        EXPECT_TRUE(QString::fromUtf8(refusal.what()).contains(QLatin1String("got shorter while it was read")))
            << refusal.what();
    }
    EXPECT_EQ(readFile(dictionary.path()), before);
}

TEST(DbTool, ImportGivesADictionaryMadeElsewhereTheLookupIndex)
{
    TempDictionary dictionary{kStored};
    QTemporaryDir dir;
    const QString tsv = writeFile(dir, QStringLiteral("in.tsv"), "RAM\tRandom Access Memory\n");
    const auto state = [&] {
        store::Database db = store::Files::instance().open(dictionary.path());
        return store::acronymIndexState(db);
    };
    ASSERT_EQ(state(), store::AcronymIndex::Missing);
    EXPECT_EQ(importInto(tsv, dictionary.path()).code, 0);
    EXPECT_EQ(state(), store::AcronymIndex::Usable);
}

TEST(DbTool, AFailedImportWritesNothing)
{
    TempDictionary dictionary{kStored};
    dictionary.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Acronyms "
                                   "WHEN NEW.Acronym = 'BAD' BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    QTemporaryDir dir;
    const QString tsv = writeFile(dir, QStringLiteral("in.tsv"), "GOOD\tfine\nCPU\tmore\nBAD\tfails\n");
    EXPECT_EQ(importInto(tsv, dictionary.path()).code, 1);
    EXPECT_EQ(dictionary.rows(), QList<Row>{kStored});
}

// Records as the program and the importer write them, with every kind of
// text the formats must carry unchanged, formulas included.
const QList<Row> kStoredRecords{
    row(QStringLiteral("CPU"), QStringLiteral("Central Processing Unit - Central Processor")),
    row(QStringLiteral("  AB C "), QStringLiteral(" spaced out  ")),
    row(QStringLiteral("ÄÖÜ"), QStringLiteral("Umlaute, \"quoted\" and 日本語")),
    row(QStringLiteral("C#"), QStringLiteral("C sharp")),
    row(QStringLiteral("=SUM(A1)"), QStringLiteral("+1 for, a formula")),
    row(QStringLiteral("'@AT"), QStringLiteral("''-minus")),
    row(QStringLiteral("'QUOTED"), QStringLiteral("'plain apostrophe")),
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
        EXPECT_TRUE(exported.out.contains(QLatin1String("exported 7 records"))) << exported.out.toStdString();
        if (name.endsWith(QLatin1String(".csv"))) {
            // No cell a spreadsheet would run as a formula.
            for (const QByteArray &line : readFile(file).split('\n')) {
                for (const QByteArray &cell : line.split(','))
                    EXPECT_FALSE(cell.startsWith('=') || cell.startsWith('+') || cell.startsWith('-')
                                 || cell.startsWith('@') || cell.startsWith("\"=") || cell.startsWith("\"+"))
                        << cell.constData();
            }
        }

        TempDictionary copy; // an empty dictionary
        const ToolRun imported = importInto(file, copy.path(), {QStringLiteral("--strict")});
        ASSERT_EQ(imported.code, 0) << imported.err.toStdString();
        EXPECT_EQ(copy.rows(), original.rows()) << name.toStdString();
    }
}

TEST(DbTool, ExportToStandardOutputWritesTabSeparatedLines)
{
    TempDictionary dictionary{kStored, row(QStringLiteral("RAM"), QStringLiteral("Random-Access Memory"))};
    for (const QStringList &target : {QStringList{}, QStringList{QStringLiteral("-")}}) {
        const ToolRun run =
            dbTool(QStringList{QStringLiteral("export"), QStringLiteral("--from"), dictionary.path()} + target);
        EXPECT_EQ(run.code, 0);
        EXPECT_EQ(run.out, QStringLiteral("CPU\tCentral Processing Unit\nRAM\tRandom-Access Memory\n"));
    }
}

TEST(DbTool, ExportListsTheRecordsItsFormatCannotCarry)
{
    TempDictionary dictionary{kStored,
                              Row{std::nullopt, QStringLiteral("orphan"), 1},
                              row(QStringLiteral("EMPTY"), QStringLiteral("  ")),
                              row(QStringLiteral("POEM"), QStringLiteral("two\nlines")),
                              row(QStringLiteral("#1"), QStringLiteral("number one")),
                              row(QStringLiteral("TAB"), QStringLiteral("a\ttab inside")),
                              row(QStringLiteral("RAM"), QStringLiteral("Random-Access Memory"))};
    QTemporaryDir dir;
    const QString tsv = dir.filePath(QStringLiteral("out.tsv"));
    const ToolRun run = dbTool({QStringLiteral("export"), QStringLiteral("--from"), dictionary.path(), tsv});
    EXPECT_EQ(run.code, 1);
    for (const char *left :
         {"record 2 (): no acronym", "record 3 (EMPTY): no definition", "record 4 (POEM): a line break",
          "record 5 (#1): an acronym that would read as a comment", "record 6 (TAB): a tab",
          "5 records were not exported", "5 records cannot be written as tab-separated lines"})
        EXPECT_TRUE(run.err.contains(QLatin1String(left))) << left << " in " << run.err.toStdString();
    EXPECT_EQ(readFile(tsv), QByteArray("CPU\tCentral Processing Unit\nRAM\tRandom-Access Memory\n"));

    // CSV carries line breaks and leading '#'.
    const QString csv = dir.filePath(QStringLiteral("out.csv"));
    EXPECT_EQ(dbTool({QStringLiteral("export"), QStringLiteral("--from"), dictionary.path(), csv}).code, 1);
    EXPECT_EQ(readFile(csv), QByteArray("Acronym,Definition\nCPU,Central Processing Unit\nPOEM,\"two\nlines\"\n"
                                        "#1,number one\nTAB,a\ttab inside\nRAM,Random-Access Memory\n"));
}

// Whatever export writes, import reads back as it was stored: every byte
// value inside a definition. What a text file cannot hold (a byte that is
// no UTF-8 on its own, NUL) is left out and listed, never written.
TEST(DbTool, EveryByteValueExportedComesBackAsStoredOrIsListed)
{
    TempDictionary original;
    for (int byte = 0; byte < 256; ++byte)
        original.exec(QStringLiteral("INSERT INTO Acronyms VALUES ('B%1', CAST(X'61%2' || X'62' AS TEXT), 1)")
                          .arg(byte)
                          .arg(byte, 2, 16, QLatin1Char('0')));
    QTemporaryDir dir;
    for (const auto &[name, left] : {std::pair{"out.tsv", 132}, std::pair{"out.csv", 129}}) {
        const QString file = dir.filePath(QString::fromUtf8(name));
        const ToolRun exported = dbTool({QStringLiteral("export"), QStringLiteral("--from"), original.path(), file});
        EXPECT_EQ(exported.err.count(QLatin1String("left out record")), left) << name;
        TempDictionary copy;
        const ToolRun imported = importInto(file, copy.path(), {QStringLiteral("--strict")});
        ASSERT_EQ(imported.code, 0) << imported.err.toStdString();
        QList<Row> kept;
        for (const Row &row : original.rows()) {
            if (!exported.err.contains(QStringLiteral("(%1)").arg(*row.acronym)))
                kept << row;
        }
        EXPECT_EQ(copy.rows(), kept) << name;
        EXPECT_EQ(kept.size(), 256 - left) << name;
    }
}

// A target export is pointed at, and what it must do there.
struct ExportCase
{
    std::string name;
    // Makes the target in dir; gives its path.
    QString (*make)(const QTemporaryDir &dir, const QString &dictionary);
    QStringList options;
    int code;
    const char *message; // in the error output when the export fails
    bool replaced; // the target now holds the export
};

class ExportTo : public testing::TestWithParam<ExportCase>
{};

// Every field as stored, a missing value as none, and never into a
// dictionary that holds records: a build without the server engine too.
TEST(DbTool, CopyCarriesEveryRecordIntoAnEmptyDictionaryOnly)
{
    TempDictionary original{Row{std::nullopt, QStringLiteral("no acronym"), std::nullopt}};
    for (const Row &r : kStoredRecords)
        original.insert(r);
    TempDictionary target;
    const ToolRun copied = dbTool({QStringLiteral("copy"), original.path(), target.path()});
    ASSERT_EQ(copied.code, 0) << copied.err.toStdString();
    EXPECT_EQ(target.rows(), original.rows());
    const ToolRun again = dbTool({QStringLiteral("copy"), original.path(), target.path()});
    EXPECT_EQ(again.code, 1);
    EXPECT_TRUE(again.err.contains(QLatin1String("holds records already"))) << again.err.toStdString();
    EXPECT_EQ(target.rows(), original.rows());
}

TEST_P(ExportTo, WritesOnlyWhereItMay)
{
    const ExportCase &c = GetParam();
    TempDictionary dictionary{kStored};
    QTemporaryDir dir;
    const QString target = c.make(dir, dictionary.path());
    const QByteArray before = QFileInfo(target).isFile() ? readFile(target) : QByteArray();
    const QByteArray dictionaryBefore = readFile(dictionary.path());
    const ToolRun run =
        dbTool(QStringList{QStringLiteral("export"), QStringLiteral("--from"), dictionary.path(), target} + c.options);
    EXPECT_EQ(run.code, c.code) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String(c.message))) << run.err.toStdString();
    EXPECT_EQ(readFile(dictionary.path()), dictionaryBefore);
    if (QFileInfo(target).isFile()) {
        EXPECT_EQ(readFile(target), c.replaced ? QByteArray("CPU\tCentral Processing Unit\n") : before);
    }
}

QString existingText(const QTemporaryDir &dir, const QString &)
{
    return writeFile(dir, QStringLiteral("old.tsv"), "OLD\tkept\n");
}

QString otherDictionary(const QTemporaryDir &dir, const QString &)
{
    const QString path = dir.filePath(QStringLiteral("nym2.fdb"));
    store::createDictionary(path);
    return path;
}

QString theDictionary(const QTemporaryDir &, const QString &dictionary)
{
    return dictionary;
}

QString inMissingFolder(const QTemporaryDir &dir, const QString &)
{
    return dir.filePath(QStringLiteral("nodir/out.tsv"));
}

QString aFolder(const QTemporaryDir &dir, const QString &)
{
    return dir.path();
}

QString linkToAFile(const QTemporaryDir &dir, const QString &)
{
    const QString link = dir.filePath(QStringLiteral("link.tsv"));
    QFile::link(existingText(dir, QString()), link);
    return link;
}

QString danglingLink(const QTemporaryDir &dir, const QString &)
{
    const QString link = dir.filePath(QStringLiteral("link.tsv"));
    QFile::link(dir.filePath(QStringLiteral("made-through-the-link.tsv")), link);
    return link;
}

QString fullDevice(const QTemporaryDir &, const QString &)
{
    return QStringLiteral("/dev/full");
}

QString nullDevice(const QTemporaryDir &, const QString &)
{
    return QStringLiteral("/dev/null");
}

INSTANTIATE_TEST_SUITE_P(
    DbTool, ExportTo,
    testing::Values(ExportCase{"ExistingFile", existingText, {}, 1, "already exists; add --force", false},
                    ExportCase{"ExistingFileForced", existingText, {QStringLiteral("--force")}, 0, "", true},
                    ExportCase{"AnotherDictionary",
                               otherDictionary,
                               {QStringLiteral("--force")},
                               1,
                               "is a dictionary (an SQLite database)",
                               false},
                    ExportCase{"TheDictionaryItself",
                               theDictionary,
                               {QStringLiteral("--force")},
                               1,
                               "is the dictionary being exported",
                               false},
                    ExportCase{"MissingFolder", inMissingFolder, {}, 1, "nodir does not exist", false},
                    ExportCase{"Folder", aFolder, {}, 1, "is a folder", false},
                    ExportCase{"LinkToAFile", linkToAFile, {QStringLiteral("--force")}, 1, "is a symbolic link", false},
                    ExportCase{"DanglingLink", danglingLink, {}, 1, "is a symbolic link", false},
                    ExportCase{"FullDisk", fullDevice, {}, 1, "No space left on device", false},
                    ExportCase{"Device", nullDevice, {}, 0, "", false}),
    CaseName());

TEST(DbTool, ExportWritesIntoAPipeAndLeavesItAPipe)
{
    TempDictionary dictionary{kStored};
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QByteArray received;
    std::thread reader([&] {
        QFile pipe(fifo);
        if (pipe.open(QIODevice::ReadOnly))
            received = pipe.readAll();
    });
    const ToolRun run = dbTool({QStringLiteral("export"), QStringLiteral("--from"), dictionary.path(), fifo});
    reader.join();
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(received, QByteArray("CPU\tCentral Processing Unit\n"));
    struct stat info = {};
    ASSERT_EQ(stat(QFile::encodeName(fifo).constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST(DbTool, MessagesNameTheFileAndTheCause)
{
    QTemporaryDir dir;
    TempDictionary dictionary{kStored};
    const QString tsv = writeFile(dir, QStringLiteral("in.tsv"), "A\tb\n");
    const QString missing = dir.filePath(QStringLiteral("missing.fdb"));
    const QString existing = writeFile(dir, QStringLiteral("taken.fdb"), "x");
    struct Case
    {
        QStringList arguments;
        QString message;
    };
    for (const Case &c : {
             Case{{QStringLiteral("import"), tsv, QStringLiteral("--into"), missing},
                  QStringLiteral("Make a new dictionary first: orvex-db create ") + missing},
             Case{{QStringLiteral("create"), dir.filePath(QStringLiteral("nodir/x.fdb"))},
                  QStringLiteral("nodir/x.fdb: the folder ") + dir.filePath(QStringLiteral("nodir"))
                      + QStringLiteral(" does not exist")},
             Case{{QStringLiteral("create"), existing}, existing + QStringLiteral(": the file already exists")},
             Case{{QStringLiteral("stats"), QStringLiteral("--from"), QString()},
                  QStringLiteral("an empty name is not a dictionary file name")},
             Case{{QStringLiteral("stats"), QStringLiteral("--from"), QStringLiteral(":memory:")},
                  QStringLiteral(":memory: is not a dictionary file name")},
             Case{{QStringLiteral("export"), QStringLiteral("--from"), QStringLiteral("file:x.fdb?mode=ro")},
                  QStringLiteral("SQLite URIs and :memory: are not files")},
             Case{{QStringLiteral("stats"), QStringLiteral("--from"), tsv},
                  tsv + QStringLiteral(": not an acronym dictionary")},
             Case{{QStringLiteral("import"), dir.filePath(QStringLiteral("none.tsv")), QStringLiteral("--into"),
                   dictionary.path()},
                  dir.filePath(QStringLiteral("none.tsv")) + QStringLiteral(": No such file")},
             Case{{QStringLiteral("import"), tsv, QStringLiteral("--into"), tsv},
                  QStringLiteral("nothing was imported")},
             Case{{QStringLiteral("import"), QString(), QStringLiteral("--into"), dictionary.path()},
                  QStringLiteral("the name of the file to import is empty")},
         }) {
        const ToolRun run = dbTool(c.arguments);
        EXPECT_EQ(run.code, 1) << c.arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(run.err.contains(c.message)) << c.message.toStdString() << " in " << run.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_EQ(readFile(existing), QByteArray("x"));
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
    for (const char *line : {"records:     6\n", "acronyms:    3\n", "repeated:    1 record ",
                             "lower-case:  1 acronym ", "incomplete:  2 records "})
        EXPECT_TRUE(run.out.contains(QLatin1String(line))) << line << " in " << run.out.toStdString();
}

TEST(DbTool, CommandsWithoutADictionaryUseTheDefaultOne)
{
    TempDictionary dictionary;
    QTemporaryDir dir;
    tools::DbToolSetup setup;
    setup.defaultDatabase = store::Location::file(dictionary.path());
    const QString tsv = writeFile(dir, QStringLiteral("in.tsv"), "CPU\tCentral Processing Unit\n");
    EXPECT_EQ(dbTool({QStringLiteral("import"), tsv}, setup).code, 0);
    EXPECT_EQ(dbTool({QStringLiteral("export")}, setup).out, QStringLiteral("CPU\tCentral Processing Unit\n"));
    EXPECT_TRUE(dbTool({QStringLiteral("stats")}, setup).out.contains(QLatin1String("records:     1")));
    EXPECT_TRUE(dbTool({QStringLiteral("--help")}, setup).out.contains(dictionary.path()));
}

TEST(DbTool, HelpAndVersionAnywhereWriteNothing)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("x.fdb"));
    tools::DbToolSetup setup;
    setup.version = QStringLiteral("9.8");
    struct Case
    {
        QStringList arguments;
        const char *start;
    };
    for (const Case &c :
         {Case{{QStringLiteral("create"), QStringLiteral("-h")}, "usage: orvex-db create FILE\n"},
          Case{{QStringLiteral("create"), file, QStringLiteral("--help")}, "usage: orvex-db create FILE\n"},
          Case{{QStringLiteral("--help"), QStringLiteral("import")}, "usage: orvex-db import"},
          Case{{QStringLiteral("-h")}, "usage: orvex-db create"},
          Case{{QStringLiteral("stats"), QStringLiteral("--version")}, "orvex-db 9.8\n"}}) {
        const ToolRun run = dbTool(c.arguments, setup);
        EXPECT_EQ(run.code, 0);
        EXPECT_TRUE(run.out.startsWith(QLatin1String(c.start))) << run.out.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("-h")));

    // After --, words that look like options are names.
    const QString odd = dir.filePath(QStringLiteral("--odd.fdb"));
    EXPECT_EQ(dbTool({QStringLiteral("create"), QStringLiteral("--"), odd}).code, 0);
    EXPECT_TRUE(QFileInfo::exists(odd));
}

// Records that put the lookup rules to work: blanks around a key, a record
// behind the first of its acronym, a lower-case acronym, letters whose
// capitals differ in length, a tab that is no blank.
const QList<Row> kShared{row(QStringLiteral(" CPU "), QStringLiteral("Central Processing Unit")),
                         row(QStringLiteral("CPU"), QStringLiteral("behind the first")),
                         row(QStringLiteral("cpu"), QStringLiteral("lower case, never found")),
                         row(QStringLiteral("STRAßE"), QStringLiteral("street")),
                         row(QStringLiteral("TAB\t"), QStringLiteral("with a tab")),
                         row(QStringLiteral("ÄÖÜ"), QStringLiteral("Umlaute"))};

TEST(DailyCommands, FindAnswersAsTheWindowsLookupDoes)
{
    TempDictionary dictionary;
    for (const Row &r : kShared)
        dictionary.insert(r);
    for (const char *typed : {"cpu", "  CPU", "Cpu  ", "straße", "STRASSE", "äöü", "tab\t", "tab", "GPU"}) {
        const QString key = QString::fromUtf8(typed);
        const ToolRun run = dbTool({QStringLiteral("find"), key, QStringLiteral("--db"), dictionary.path()});
        if (const std::optional<QString> window = testing_support::lookUp(dictionary.path(), key)) {
            EXPECT_EQ(run.code, 0) << typed;
            EXPECT_EQ(run.out, *window + QLatin1Char('\n')) << typed;
        } else {
            EXPECT_EQ(run.code, 1) << typed;
            EXPECT_TRUE(run.err.startsWith(
                QStringLiteral("orvex-db: %1 is not in the dictionary\n").arg(store::trimSpaces(store::keyOf(key)))))
                << typed;
        }
    }
    const ToolRun several = dbTool({QStringLiteral("find"), QStringLiteral("cpu"), QStringLiteral("gpu"),
                                    QStringLiteral("äöü"), QStringLiteral("--db"), dictionary.path()});
    EXPECT_EQ(several.code, 1);
    EXPECT_EQ(several.out, QStringLiteral("CPU: Central Processing Unit\nÄÖÜ: Umlaute\n"));
    EXPECT_EQ(several.err, QStringLiteral("orvex-db: GPU is not in the dictionary\norvex-db: did you mean CPU?\n"));
}

TEST(DailyCommands, FindSaysWhatAMissingAcronymMayHaveMeantAndStillFails)
{
    TempDictionary dictionary{row(QStringLiteral("10-10 EZ"), QStringLiteral("a form")),
                              row(QStringLiteral("1010EX"), QStringLiteral("another")),
                              row(QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"))};
    for (int i = 0; i < 8; ++i)
        dictionary.insert(row(QStringLiteral("1010E%1").arg(i), QStringLiteral("one of many")));
    const ToolRun run =
        dbTool({QStringLiteral("find"), QStringLiteral("1010ez"), QStringLiteral("--db"), dictionary.path()});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out, QString());
    // Five at most, the same letters first.
    EXPECT_EQ(run.err, QStringLiteral("orvex-db: 1010EZ is not in the dictionary\n"
                                      "orvex-db: did you mean 10-10 EZ?\n"
                                      "orvex-db: did you mean 1010E0?\n"
                                      "orvex-db: did you mean 1010E1?\n"
                                      "orvex-db: did you mean 1010E2?\n"
                                      "orvex-db: did you mean 1010E3?\n"));
    const ToolRun none =
        dbTool({QStringLiteral("find"), QStringLiteral("QWERTY"), QStringLiteral("--db"), dictionary.path()});
    EXPECT_EQ(none.code, 1);
    EXPECT_EQ(none.err, QStringLiteral("orvex-db: QWERTY is not in the dictionary\n"));
}

TEST(DailyCommands, AddReplaceDeleteListAndSearch)
{
    TempDictionary dictionary;
    for (const Row &r : kShared)
        dictionary.insert(r);
    const QString db = dictionary.path();
    struct Step
    {
        QStringList arguments;
        int code;
        QString out; // the whole standard output, or the error output's start when code is 1
    };
    const Step steps[] = {
        {{QStringLiteral("add"), QStringLiteral("ram"), QStringLiteral("Random Access Memory")},
         0,
         QStringLiteral("added RAM\n")},
        {{QStringLiteral("add"), QStringLiteral(" RAM"), QStringLiteral("memory")},
         0,
         QStringLiteral("appended to RAM: Random Access Memory - memory\n")},
        {{QStringLiteral("add"), QStringLiteral("  "), QStringLiteral("x")},
         1,
         QStringLiteral("orvex-db: the acronym is blank")},
        {{QStringLiteral("replace"), QStringLiteral("cpu"), QStringLiteral("processor")},
         0,
         QStringLiteral("replaced the definition of CPU (was: Central Processing Unit)\n")},
        {{QStringLiteral("replace"), QStringLiteral("gpu"), QStringLiteral("x")},
         1,
         QStringLiteral("orvex-db: GPU is not in the dictionary")},
        {{QStringLiteral("delete"), QStringLiteral("cpu")}, 0, QStringLiteral("deleted CPU: processor\n")},
        {{QStringLiteral("find"), QStringLiteral("cpu")}, 0, QStringLiteral("behind the first\n")},
        {{QStringLiteral("delete"), QStringLiteral("gpu")},
         1,
         QStringLiteral("orvex-db: GPU is not in the dictionary")},
        {{QStringLiteral("list"), QStringLiteral("c")}, 0, QStringLiteral("CPU\n")},
        {{QStringLiteral("list")}, 0, QStringLiteral("CPU\nRAM\nSTRAßE\nTAB\t\ncpu\nÄÖÜ\n")},
        {{QStringLiteral("search"), QStringLiteral("MEMORY"), QStringLiteral("random")},
         0,
         QStringLiteral("RAM: Random Access Memory - memory\n")},
        {{QStringLiteral("search"), QStringLiteral("umlaute")}, 0, QStringLiteral("ÄÖÜ: Umlaute\n")},
        {{QStringLiteral("search"), QStringLiteral("nothing")}, 1, QString()},
    };
    for (const Step &step : steps) {
        const ToolRun run = dbTool(step.arguments + QStringList{QStringLiteral("--db"), db});
        EXPECT_EQ(run.code, step.code) << step.arguments.join(' ').toStdString() << run.err.toStdString();
        if (step.code == 0)
            EXPECT_EQ(run.out, step.out) << step.arguments.join(' ').toStdString();
        else
            EXPECT_TRUE(run.err.startsWith(step.out)) << run.err.toStdString();
    }
    EXPECT_EQ(dictionary.rows(),
              (QList<Row>{kShared.at(1), kShared.at(2), kShared.at(3), kShared.at(4), kShared.at(5),
                          row(QStringLiteral("RAM"), QStringLiteral("Random Access Memory - memory"))}));
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
        {QStringLiteral("create"), QStringLiteral("x.fdb"), QStringLiteral("--force")},
        {QStringLiteral("stats"), QStringLiteral("x.fdb")},
        {QStringLiteral("find")},
        {QStringLiteral("add"), QStringLiteral("CPU")},
        {QStringLiteral("delete"), QStringLiteral("A"), QStringLiteral("B")},
        {QStringLiteral("list"), QStringLiteral("--db"), QStringLiteral("a.fdb"), QStringLiteral("--from"),
         QStringLiteral("b.fdb")},
        {QStringLiteral("search"), QStringLiteral("word"), QStringLiteral("--into"), QStringLiteral("x.fdb")},
    };
    for (const QStringList &arguments : cases) {
        const ToolRun run = dbTool(arguments);
        EXPECT_EQ(run.code, 2) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String("usage:")));
    }
}

} // namespace
