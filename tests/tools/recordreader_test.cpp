#include "tools/recordreader.h"

#include "support/casename.h"
#include "support/printers.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(Utf8Check, AcceptsWellFormedTextOnly)
{
    struct Case
    {
        QByteArray bytes;
        bool valid;
    };
    for (const Case &c :
         {Case{"", true}, Case{"plain ASCII", true}, Case{"caf\xC3\xA9", true}, Case{"\xE2\x82\xAC", true},
          Case{"\xF0\x9F\x93\x9A", true}, Case{"\xF4\x8F\xBF\xBF", true}, Case{"caf\xC3", false},
          Case{"\xC3\x28", false}, Case{"\x80", false}, Case{"\xFF", false}, Case{"\xC0\xAF", false},
          Case{"\xE0\x80\xAF", false}, Case{"\xF0\x80\x80\xAF", false}, Case{"\xED\xA0\x80", false},
          Case{"\xF4\x90\x80\x80", false}, Case{"\xF8\x88\x80\x80\x80", false}})
        EXPECT_EQ(tools::isValidUtf8(c.bytes), c.valid) << c.bytes.toHex().toStdString();
}

struct Read
{
    QList<tools::InputRecord> records;
    QString refusal;
};

Read readAll(QByteArray bytes, const QString &name, const tools::ReaderOptions &options = {})
{
    QBuffer input(&bytes);
    input.open(QIODevice::ReadOnly);
    Read result;
    try {
        tools::RecordReader reader(input, name, options);
        tools::InputRecord record;
        while (reader.next(record))
            result.records << record;
    } catch (const tools::ImportRefused &refusal) {
        result.refusal = QString::fromUtf8(refusal.what());
    }
    return result;
}

// One line a record: "LINE ACRONYM = definition", and "(problem)" after a
// bad one.
QStringList described(const Read &read)
{
    QStringList lines;
    for (const tools::InputRecord &record : read.records)
        lines << QStringLiteral("%1 %2 = %3%4")
                     .arg(record.line)
                     .arg(QString::fromUtf8(record.acronym), QString::fromUtf8(record.definition),
                          record.problem.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(record.problem));
    return lines;
}

TEST(InputFormat, ByNameOrGuessedFromTheFirstLinesThatAreNoComments)
{
    using tools::InputFormat;
    struct Case
    {
        const char *name;
        QByteArray start;
        InputFormat format;
    };
    for (const Case &c :
         {Case{"words.csv", "Acronym,Definition\n", InputFormat::Csv},
          Case{"WORDS.CSV", "Term,Meaning\n", InputFormat::Csv},
          Case{"words", "\xEF\xBB\xBF\"definition\",\"ACRONYM\"\r\n", InputFormat::Csv},
          Case{"-", "Acronym,Definition\n", InputFormat::Csv},
          Case{"words", "Acronym\tDefinition,Acronym\n", InputFormat::Tsv},
          Case{"words.txt", "Acronym,Meaning\n", InputFormat::Csv},
          Case{"words.txt", "CPU\tCentral, Processing\n", InputFormat::Tsv},
          Case{"words.tsv", "A,B\n", InputFormat::Tsv},
          // The BSD files start with a version control tag.
          Case{"acronyms", "$NetBSD: acronyms,v 1.265 2018/01/13 $\n10Q\tthank you\n", InputFormat::Tsv},
          Case{"words", "# mine, and yours\n\nCPU\tCentral\n", InputFormat::Tsv},
          Case{"words", "a stray, no tab\nCPU\tCentral\nGPU\tGraphics\n", InputFormat::Tsv},
          Case{"words", "Acronym,Definition\nCPU,\"Central\tProcessing\"\n", InputFormat::Csv},
          Case{"words", "Acronym;Definition\nCPU;Central\n", InputFormat::Csv},
          Case{"words", "sep=;\nAcronym;Definition\nCPU;Central\tUnit\nGPU;Graphics\tUnit\n", InputFormat::Csv}}) {
        QByteArray bytes = c.start;
        QBuffer input(&bytes);
        input.open(QIODevice::ReadOnly);
        EXPECT_EQ(tools::RecordReader(input, QLatin1String(c.name)).format(), c.format)
            << c.name << ": " << c.start.constData();
    }
}

TEST(RecordReader, NumbersRecordsByTheLineTheyStartOn)
{
    const Read csv = readAll("Acronym,Definition\n\"A\",\"one\ntwo\r\nthree\"\rB,four\n", QStringLiteral("in.csv"));
    ASSERT_EQ(csv.records.size(), 2) << csv.refusal.toStdString();
    EXPECT_EQ(csv.records[0].line, 2);
    EXPECT_EQ(csv.records[0].definition, QByteArray("one\ntwo\r\nthree"));
    EXPECT_EQ(csv.records[1].line, 5);

    const Read tsv = readAll("A\tone\r\n\rB\ttwo\rC\tthree", QStringLiteral("in.tsv"));
    ASSERT_EQ(tsv.records.size(), 3);
    EXPECT_EQ(tsv.records[1].line, 3);
    EXPECT_EQ(tsv.records[2].line, 4);
    EXPECT_EQ(tsv.records[2].definition, QByteArray("three"));
}

TEST(RecordReader, RefusesARecordBeyondTheLimitAndInputThatNeverEndsALine)
{
    tools::ReaderOptions options;
    options.maxRecordBytes = 1000;
    const QByteArray endless(5000, 'y');
    for (const QByteArray &input :
         {QByteArray("A\tshort\nB\t") + endless, "Acronym,Definition\nB,\"" + endless + '"', endless}) {
        const Read read = readAll(input, QStringLiteral("in"), options);
        EXPECT_TRUE(read.refusal.contains(QLatin1String("longer than 1000 bytes, or the input never ends its line")))
            << read.refusal.toStdString();
    }
}

// Spreadsheet programs' CSV, byte for byte as they save it.
struct SpreadsheetCase
{
    std::string name;
    QByteArray bytes;
    QStringList records; // as described() gives them
    QString refusal; // found in the refusal, when the file is refused
    tools::ReaderOptions options;
};

class SpreadsheetExport : public testing::TestWithParam<SpreadsheetCase>
{};

TEST_P(SpreadsheetExport, IsReadAsItsProgramMeantIt)
{
    const SpreadsheetCase &c = GetParam();
    const Read read = readAll(c.bytes, QStringLiteral("export.csv"), c.options);
    if (c.refusal.isEmpty())
        EXPECT_EQ(read.refusal, QString());
    else
        EXPECT_TRUE(read.refusal.contains(c.refusal)) << read.refusal.toStdString();
    EXPECT_EQ(described(read), c.records);
}

tools::ReaderOptions namedColumns(const QString &acronym, const QString &definition)
{
    tools::ReaderOptions options;
    options.acronymColumn = acronym;
    options.definitionColumn = definition;
    return options;
}

const QStringList kCpuAndPoem = {QStringLiteral("2 CPU = Central Processing Unit"),
                                 QStringLiteral("3 POEM = two\nlines")};

INSTANTIATE_TEST_SUITE_P(
    RecordReader, SpreadsheetExport,
    testing::Values(
        // LibreOffice's Text CSV as it comes: UTF-8, LF, quotes only where
        // needed, an empty last column where Notes are blank.
        SpreadsheetCase{
            "LibreOffice",
            "Acronym,Definition,Notes\nCPU,Central Processing Unit,\nPOEM,\"two\nlines\",\n"
            "TCP/IP,\"Transmission Control Protocol, Internet Protocol\",networks\n",
            kCpuAndPoem + QStringList{QStringLiteral("5 TCP/IP = Transmission Control Protocol, Internet Protocol")},
            {},
            {}},
        SpreadsheetCase{"LibreOfficeQuotingAllTextCells",
                        "\"Acronym\",\"Definition\"\n\"CPU\",\"Central Processing Unit\"\n\"POEM\",\"two\nlines\"\n",
                        kCpuAndPoem,
                        {},
                        {}},
        // Excel's CSV UTF-8: a byte order mark, CR LF between rows, a line
        // break within a cell (Alt+Enter) a lone LF.
        SpreadsheetCase{"ExcelUtf8",
                        "\xEF\xBB\xBF"
                        "Acronym,Definition\r\nCPU,Central Processing Unit\r\nPOEM,\"two\nlines\"\r\n"
                        "QUOTE,\"the \"\"word\"\"\"\r\n",
                        kCpuAndPoem + QStringList{QStringLiteral("5 QUOTE = the \"word\"")},
                        {},
                        {}},
        // A column once used and emptied stays in Excel's range: every row
        // ends in a comma.
        SpreadsheetCase{"ExcelWithAnEmptyColumn",
                        "\xEF\xBB\xBF"
                        "Acronym,Definition,\r\nCPU,Central Processing Unit,\r\nPOEM,\"two\nlines\",\r\n",
                        kCpuAndPoem,
                        {},
                        {}},
        SpreadsheetCase{"ExcelSeparatorLine",
                        "sep=,\r\nAcronym,Definition\r\nCPU,Central Processing Unit\r\n",
                        {QStringLiteral("3 CPU = Central Processing Unit")},
                        {},
                        {}},
        // Where the comma is the decimal mark, Excel and LibreOffice
        // separate by semicolons.
        SpreadsheetCase{"ExcelSemicolons",
                        "\xEF\xBB\xBF"
                        "Acronym;Definition\r\nGmbH;Gesellschaft mit beschr\xC3\xA4nkter Haftung\r\n"
                        "HWZ;1,5 Stunden\r\nCPU;\"Central; Processing\"\r\n",
                        {QStringLiteral("2 GmbH = Gesellschaft mit beschränkter Haftung"),
                         QStringLiteral("3 HWZ = 1,5 Stunden"), QStringLiteral("4 CPU = Central; Processing")},
                        {},
                        {}},
        SpreadsheetCase{"ExcelSemicolonSeparatorLine",
                        "sep=;\r\nAcronym;Definition\r\nCPU;Central, Processing\r\n",
                        {QStringLiteral("3 CPU = Central, Processing")},
                        {},
                        {}},
        SpreadsheetCase{"SemicolonsUnderOtherNames",
                        "Abk\xC3\xBCrzung;Bedeutung\nGmbH;Gesellschaft\n",
                        {},
                        QStringLiteral("the header row, separated by semicolons, names \"Abkürzung\", \"Bedeutung\""),
                        {}},
        SpreadsheetCase{"SemicolonsUnderNamedColumns",
                        "Abk\xC3\xBCrzung;Bedeutung\nGmbH;Gesellschaft\n",
                        {QStringLiteral("2 GmbH = Gesellschaft")},
                        {},
                        namedColumns(QStringLiteral("Abkürzung"), QStringLiteral("Bedeutung"))}),
    testing_support::CaseName());

QByteArray utf16(const QString &text, QStringConverter::Encoding encoding)
{
    return QStringEncoder(encoding, QStringConverter::Flag::WriteBom).encode(text);
}

// A character beyond U+FFFF whose two halves the first block of the input
// ends between: 2 bytes of byte order mark, then 2 bytes a unit.
QByteArray pairAcrossTheFirstBlock()
{
    constexpr qsizetype kUnitsInTheFirstBlock = ((1 << 20) - 2) / 2;
    QString text;
    while (text.size() + 4 < kUnitsInTheFirstBlock - 10)
        text += QStringLiteral("L\tx\n");
    text += QStringLiteral("E\t");
    text += QString(kUnitsInTheFirstBlock - 1 - text.size(), QLatin1Char('y'));
    return utf16(text + QStringLiteral("\U0001F600\n"), QStringConverter::Utf16LE);
}

TEST(RecordReader, Utf16CutShortOrWithHalfACharacterIsRefusedNamingWhere)
{
    // 2 bytes of byte order mark, 24 of lines, the last character at 24.
    const QByteArray bmp = utf16(QStringLiteral("A\tone\nB\tcaf\u00E9"), QStringConverter::Utf16LE);
    // The same, and 2 units for a character beyond U+FFFF at 26.
    const QString lines = QStringLiteral("A\tone\nB\ttwo \U0001F600");
    const QByteArray le = utf16(lines, QStringConverter::Utf16LE);
    const QByteArray be = utf16(lines, QStringConverter::Utf16BE);
    const QString cut = QStringLiteral("ends in the middle of a character (UTF-16, at byte offset %1 of %2 bytes)");
    struct Case
    {
        QByteArray bytes;
        QString refusal;
    };
    for (const Case &c : {
             // the last unit cut in half
             Case{bmp.chopped(1), cut.arg(24).arg(25)},
             Case{le.chopped(1), cut.arg(26).arg(29)},
             Case{be.chopped(1), cut.arg(26).arg(29)},
             // the second half of the last character missing
             Case{le.chopped(2), cut.arg(26).arg(28)},
             Case{le.chopped(3), cut.arg(26).arg(27)},
             // halves without their pair within the text
             Case{le.chopped(2) + QByteArray("\n\0", 2),
                  QStringLiteral("not valid UTF-16 text (half a character at byte offset 26)")},
             Case{le.first(4) + QByteArray("\x00\xDC", 2) + le.sliced(4),
                  QStringLiteral("not valid UTF-16 text (half a character at byte offset 4)")},
         }) {
        const Read read = readAll(c.bytes, QStringLiteral("in.txt"));
        EXPECT_TRUE(read.refusal.contains(c.refusal)) << c.bytes.toHex(' ').toStdString() << "\n"
                                                      << read.refusal.toStdString();
    }
    const Read whole = readAll(le, QStringLiteral("in.txt"));
    EXPECT_EQ(described(whole), QStringList({QStringLiteral("1 A = one"), QStringLiteral("2 B = two 😀")}))
        << whole.refusal.toStdString();

    const Read across = readAll(pairAcrossTheFirstBlock(), QStringLiteral("in.txt"));
    ASSERT_FALSE(across.records.isEmpty()) << across.refusal.toStdString();
    EXPECT_TRUE(across.records.back().definition.endsWith("y\xF0\x9F\x98\x80"));
}

// Input files are opened by the names people give them: QFile alone would
// look for ":words" among the program's resources, and warn on standard
// error about an empty name.
TEST(InputFile, OpensAnyNameAsAFileAndSaysPlainlyWhatIsWrong)
{
    static QStringList qtMessages;
    qtMessages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &message) { qtMessages << message; });
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    for (const char *name : {":words.tsv", ":", "plain.tsv"}) {
        QFile written(dir.path() + QLatin1Char('/') + QLatin1String(name)); // filePath takes ":" for a resource
        ASSERT_TRUE(written.open(QIODevice::WriteOnly));
        written.write(QByteArray("A\t") + name);
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral(":folder")));

    struct Case
    {
        const char *name;
        QString problem; // empty: opened, reading the file of that name
    };
    for (const Case &c : {Case{":words.tsv", {}}, Case{":", {}}, Case{"plain.tsv", {}},
                          Case{":missing.tsv", QStringLiteral(":missing.tsv: No such file or directory")},
                          Case{":folder", QStringLiteral(":folder is a folder, not a file to import")},
                          Case{"", QStringLiteral("the name of the file to import is empty")}}) {
        QFile file;
        const QString problem = tools::openInputFile(file, QLatin1String(c.name));
        if (c.problem.isEmpty()) {
            EXPECT_EQ(problem, QString()) << c.name;
            EXPECT_EQ(file.readAll(), QByteArray("A\t") + c.name);
        } else {
            EXPECT_TRUE(problem.startsWith(c.problem)) << c.name << ": " << problem.toStdString();
        }
    }
    QDir::setCurrent(before);
    qInstallMessageHandler(previous);
    EXPECT_EQ(qtMessages, QStringList());
}

} // namespace
