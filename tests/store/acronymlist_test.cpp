// The stored acronyms in memory: pages of a listing, suggestions for a key
// that is not stored, and a list that follows the changes of the file.

#include "store/acronymlist.h"
#include "store/dictionary.h"
#include "store/engine.h"

#include "support/printers.h"
#include "support/tempdictionary.h"

#include <QCryptographicHash>
#include <QFile>

#include <gtest/gtest.h>

using testing_support::Row;
using testing_support::TempDictionary;

namespace {

std::u32string text(const char *utf8)
{
    return QString::fromUtf8(utf8).toStdU32String();
}

TEST(AcronymList, EditsCountAddedRemovedChangedAndSwappedCharacters)
{
    struct Case
    {
        const char *a;
        const char *b;
        int edits; // with at most two counted; 3 means more
    };
    for (const Case &c : {
             Case{"CPU", "CPU", 0},
             Case{"CPU", "CUP", 1},
             Case{"CPU", "CPUS", 1},
             Case{"CPUS", "CPU", 1},
             Case{"CPU", "XPU", 1},
             Case{"ABCD", "BADC", 2},
             Case{"ABC", "CBA", 2},
             Case{"ABC", "XYZ", 3},
             Case{"", "AB", 2},
             Case{"", "ABC", 3},
             Case{"A", "ABCD", 3},
             Case{"NATO", "N.A.T.O.", 3},
             Case{"ÄB", "AB", 1},
             Case{"STRAßE", "STRASSE", 2},
             Case{"😀AB", "AB", 1},
             Case{"ABCDEFGH", "ABDCEFHG", 2},
         })
        EXPECT_EQ(store::editsBetween(text(c.a), text(c.b), 2), c.edits) << c.a << " / " << c.b;
    // Unbounded, the same table of edits.
    EXPECT_EQ(store::editsBetween(text("NATO"), text("N.A.T.O."), 10), 4);
}

TEST(AcronymList, SuggestionsAreFindableAcronymsWithTheSameLettersOrWithinTwoEditsBestFirst)
{
    const store::AcronymList list({"CPU",
                                   "CUP",
                                   "CPA",
                                   "CPUS",
                                   "C.P.U.",
                                   "C P U",
                                   "cpx",
                                   "CPX1",
                                   "ABCDEF",
                                   "10-10 EZ",
                                   "1010EX",
                                   "AT&T",
                                   "ATT",
                                   "ÄTT",
                                   "X",
                                   "XY",
                                   std::string("C\xFFU", 3),
                                   "CPU",
                                   "1",
                                   "ZZZZ-CPU"});
    struct Case
    {
        const char *typed;
        QStringList suggested;
    };
    for (const Case &c : {
             // The same letters first, then one edit, then two, by bytes within each.
             Case{"1010EZ", {"10-10 EZ", "1010EX"}},
             Case{"CPX", {"CPA", "CPU", "CPX1", "CPUS", "CUP"}},
             Case{"CPU", {"C P U", "C.P.U.", "CPA", "CPUS", "CUP"}},
             Case{"ATT", {"AT&T", "ÄTT"}},
             Case{"AT-T", {"AT&T", "ATT", "ÄTT"}},
             // Short keys are within two edits of other short acronyms.
             Case{"Q", {"1", "X", "XY"}},
             // Nothing near; and a key of punctuation alone has no letters to share.
             Case{"QWERTYUIOP", {}},
             Case{"--", {"1", "X", "XY"}},
             Case{"", {}},
         })
        EXPECT_EQ(list.suggestions(c.typed, store::kSuggestions), c.suggested) << c.typed;
    EXPECT_EQ(list.suggestions("CPX", 2), (QStringList{"CPA", "CPU"}));
    EXPECT_EQ(list.suggestions("CPX", 0), QStringList());
}

TEST(AcronymList, PagesStartWithThePrefixAndFollowTheLastOneShown)
{
    const store::AcronymList list({"CPU", "CQ", "C", "CPX", "ÄB", "cpu", "CPU", "", "D"});
    EXPECT_EQ(list.size(), 7);
    struct Case
    {
        const char *prefix;
        const char *after;
        qsizetype limit;
        QStringList page;
    };
    for (const Case &c : {
             Case{"", "", 100, {"C", "CPU", "CPX", "CQ", "D", "cpu", "ÄB"}},
             Case{"C", "", 2, {"C", "CPU"}},
             Case{"C", "CPU", 2, {"CPX", "CQ"}},
             Case{"C", "CQ", 2, {}},
             Case{"CP", "B", 5, {"CPU", "CPX"}},
             Case{"CP", "CPA", 5, {"CPU", "CPX"}},
             Case{"C", "D", 5, {}},
             Case{"Ä", "", 5, {"ÄB"}},
             Case{"E", "", 5, {}},
         })
        EXPECT_EQ(list.page(c.prefix, c.after, c.limit), c.page) << c.prefix << " after " << c.after;
}

QByteArray digestOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                                          : QByteArray();
}

TEST(AcronymList, TheDictionaryReadsItAgainAfterAChangeByAnotherProgramOrItself)
{
    TempDictionary file{Row{QStringLiteral("CPU"), QStringLiteral("a"), 1}, Row{QStringLiteral(" CPA "), {}, 1},
                        Row{std::nullopt, QStringLiteral("no acronym"), 1}};
    store::Dictionary dictionary(store::Location::file(file.path()));
    EXPECT_EQ(dictionary.suggestions(QStringLiteral("cpx"), 5), (QStringList{"CPA", "CPU"}));
    EXPECT_EQ(dictionary.acronyms(QStringLiteral("c"), QStringLiteral("CPA"), 10), QStringList{"CPU"});

    file.insert(Row{QStringLiteral("CPX1"), QStringLiteral("another program's"), 1});
    EXPECT_EQ(dictionary.suggestions(QStringLiteral("cpx"), 5), (QStringList{"CPA", "CPU", "CPX1"}));
    dictionary.add(QStringLiteral("CPY"), QStringLiteral("its own"));
    EXPECT_EQ(dictionary.suggestions(QStringLiteral("cpx"), 5), (QStringList{"CPA", "CPU", "CPX1", "CPY"}));
    EXPECT_EQ(dictionary.acronyms(QStringLiteral(" cp"), QString(), 10), (QStringList{"CPA", "CPU", "CPX1", "CPY"}));
}

TEST(AcronymList, AProgramThatOnlyReadsOpensTheFileReadOnlyAndChangesNothingOfIt)
{
    TempDictionary file{Row{QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"), 1}};
    file.exec(QStringLiteral("DROP INDEX IF EXISTS AcronymsTrimmed"));
    const QByteArray before = digestOf(file.path());
    store::setUsage(store::Usage{true, false});
    try {
        store::Dictionary dictionary(store::Location::file(file.path()));
        EXPECT_EQ(dictionary.find(QStringLiteral("cpu"))->definition, QStringLiteral("Central Processing Unit"));
        EXPECT_EQ(dictionary.suggestions(QStringLiteral("cpx"), 5), QStringList{"CPU"});
        EXPECT_TRUE(dictionary.isReadOnly());
        EXPECT_THROW(dictionary.add(QStringLiteral("NEW"), QStringLiteral("x")), store::Error);
    } catch (const store::Error &error) {
        ADD_FAILURE() << error.what();
    }
    store::setUsage(store::Usage{});
    // Not even the lookup index, which a program that writes adds.
    EXPECT_EQ(digestOf(file.path()), before);
}

} // namespace
