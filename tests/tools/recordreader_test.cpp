#include "tools/recordreader.h"

#include "support/printers.h"

#include <QBuffer>

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

TEST(InputFormat, CsvByNameOrByAFirstLineWithCommasAndNoTab)
{
    using tools::InputFormat;
    struct Case
    {
        const char *name;
        QByteArray start;
        InputFormat format;
    };
    for (const Case &c : {Case{"words.csv", "Acronym,Definition\n", InputFormat::Csv},
                          Case{"WORDS.CSV", "Term,Meaning\n", InputFormat::Csv},
                          Case{"words", "\xEF\xBB\xBF\"definition\",\"ACRONYM\"\r\n", InputFormat::Csv},
                          Case{"-", "Acronym,Definition\n", InputFormat::Csv},
                          Case{"words", "Acronym\tDefinition,Acronym\n", InputFormat::Tsv},
                          Case{"words.txt", "Acronym,Meaning\n", InputFormat::Csv},
                          Case{"words.txt", "CPU\tCentral, Processing\n", InputFormat::Tsv},
                          Case{"words.tsv", "A,B\n", InputFormat::Tsv}}) {
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

} // namespace
