#include "store/dictionary.h"

#include "store/file/files.h"

#include "support/printers.h"
#include "support/tempdictionary.h"

#include <gtest/gtest.h>

using testing_support::Row;
using testing_support::TempDictionary;

namespace {

Row row(const char *acronym, const char *definition)
{
    return Row{QString::fromUtf8(acronym), QString::fromUtf8(definition), 1};
}

QStringList acronymsOf(const QList<store::Entry> &entries)
{
    QStringList acronyms;
    for (const store::Entry &entry : entries)
        acronyms << entry.acronym;
    return acronyms;
}

TEST(DictionaryLists, AcronymsOncePerKeySortedByBytesFromAPrefix)
{
    TempDictionary file{row(" CPU ", "a"), row("CPU", "b"), row("cpu", "c"),
                        row("CPX", "d"),   row("CQ", "e"),  Row{std::nullopt, QStringLiteral("f"), 1},
                        row("ÄB", "g"),    row("C", "h")};
    for (const bool indexed : {false, true}) {
        // Without the index first: opening adds it when lookups use it.
        store::Files::instance().setLookupByIndex(indexed);
        store::Dictionary dictionary(store::Location::file(file.path()));
        struct Case
        {
            const char *prefix;
            QStringList acronyms;
        };
        for (const Case &c : {Case{"", {"C", "CPU", "CPX", "CQ", "cpu", "ÄB"}}, Case{"cp", {"CPU", "CPX"}},
                              Case{"  c", {"C", "CPU", "CPX", "CQ"}}, Case{"ä", {"ÄB"}}, Case{"X", {}}})
            EXPECT_EQ(dictionary.acronyms(QString::fromUtf8(c.prefix)), c.acronyms)
                << c.prefix << " indexed " << indexed;
    }
}

TEST(DictionaryLists, SearchFindsEveryWordLetterCaseAside)
{
    TempDictionary file{row("RAM", "Random Access MEMORY"),
                        row("ÉTÉ", "Été en français"),
                        row("PCT", "50% off"),
                        row("US", "a_b and more"),
                        row("AB", "aXb"),
                        row("ROM", "read-only memory")};
    store::Dictionary dictionary(store::Location::file(file.path()));
    struct Case
    {
        QStringList words;
        QStringList acronyms;
    };
    for (const Case &c : {Case{{"memory"}, {"RAM", "ROM"}}, Case{{"MEMORY", "random"}, {"RAM"}}, Case{{"été"}, {"ÉTÉ"}},
                          Case{{"FRANÇAIS", "en"}, {"ÉTÉ"}}, Case{{"50%"}, {"PCT"}}, Case{{"a_b"}, {"US"}},
                          Case{{"%"}, {"PCT"}}, Case{{}, {}}})
        EXPECT_EQ(acronymsOf(dictionary.search(c.words)), c.acronyms) << c.words.join(' ').toStdString();
}

TEST(DictionaryLists, RemoveDeletesTheEntrysRecordOnce)
{
    TempDictionary file{row("CPU", "first"), row("CPU", "second")};
    store::Dictionary dictionary(store::Location::file(file.path()));
    const store::Entry first = *dictionary.find(QStringLiteral("cpu"));
    dictionary.remove(first);
    EXPECT_EQ(dictionary.find(QStringLiteral("cpu"))->definition, QStringLiteral("second"));
    try {
        dictionary.remove(first);
        ADD_FAILURE() << "removed a record twice";
    } catch (const store::Error &error) {
        EXPECT_EQ(error.kind(), store::Error::Kind::RecordGone);
    }
    EXPECT_EQ(file.rows(), QList<Row>{row("CPU", "second")});
}

} // namespace
