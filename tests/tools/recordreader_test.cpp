#include "tools/recordreader.h"

#include "support/printers.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf8Check, AcceptsWellFormedTextOnly)
{
    struct Case
    {
        QByteArray bytes;
        bool valid;
    };
    for (const Case &c : {Case{"", true}, Case{"plain ASCII", true}, Case{"caf\xC3\xA9", true},
                          Case{"\xE2\x82\xAC", true}, Case{"\xF0\x9F\x93\x9A", true}, Case{"\xF4\x8F\xBF\xBF", true},
                          Case{"caf\xC3", false}, Case{"\xC3\x28", false}, Case{"\x80", false}, Case{"\xFF", false},
                          Case{"\xC0\xAF", false}, Case{"\xE0\x80\xAF", false}, Case{"\xF0\x80\x80\xAF", false},
                          Case{"\xED\xA0\x80", false}, Case{"\xF4\x90\x80\x80", false}, Case{"\xF8\x88\x80\x80\x80", false}})
        EXPECT_EQ(tools::isValidUtf8(c.bytes), c.valid) << c.bytes.toHex().toStdString();
}

TEST(InputFormat, CsvByNameOrByAHeaderNamingBothColumns)
{
    using tools::InputFormat;
    struct Case
    {
        const char *path;
        QByteArray start;
        InputFormat format;
    };
    for (const Case &c : {Case{"words.csv", "CPU,Central Processing Unit\n", InputFormat::Csv},
                          Case{"WORDS.CSV", "", InputFormat::Csv},
                          Case{"words.txt", "Acronym,Definition\nCPU,x\n", InputFormat::Csv},
                          Case{"words", "\xEF\xBB\xBF\"definition\",\"ACRONYM\"\r\n", InputFormat::Csv},
                          Case{"words.txt", "Acronym\tDefinition,Acronym\n", InputFormat::Tsv},
                          Case{"words.txt", "CPU\tCentral Processing Unit\n", InputFormat::Tsv},
                          Case{"words.txt", "Acronym,Meaning\n", InputFormat::Tsv},
                          Case{"words.tsv", "", InputFormat::Tsv}})
        EXPECT_EQ(tools::detectFormat(QLatin1String(c.path), c.start), c.format) << c.path << ": " << c.start.constData();
}

TEST(RecordReader, NumbersRecordsByTheLineTheyStartOn)
{
    const QByteArray csv = "Acronym,Definition\n\"A\",\"one\ntwo\nthree\"\nB,four\n";
    tools::RecordReader reader(csv, tools::InputFormat::Csv);
    tools::InputRecord record;
    ASSERT_TRUE(reader.next(record));
    EXPECT_EQ(record.line, 2);
    ASSERT_TRUE(reader.next(record));
    EXPECT_EQ(record.line, 5);
    EXPECT_EQ(record.acronym, QByteArray("B"));
    EXPECT_FALSE(reader.next(record));
    EXPECT_EQ(reader.position(), csv.size());
}

} // namespace
