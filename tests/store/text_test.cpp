#include "store/text.h"

#include "support/printers.h"

#include <gtest/gtest.h>

namespace {

struct TrimCase
{
    const char16_t *input;
    const char16_t *trimmed;
    bool blank;
};

class SpaceTrimming : public ::testing::TestWithParam<TrimCase>
{};

TEST_P(SpaceTrimming, RemovesOnlyOuterSpaces)
{
    const QString input = QString::fromUtf16(GetParam().input);
    EXPECT_EQ(store::trimSpaces(input), QString::fromUtf16(GetParam().trimmed));
    EXPECT_EQ(store::isBlank(input), GetParam().blank);

    // The byte form used by the record scan must agree with the text form.
    const QByteArray utf8 = input.toUtf8();
    const std::string_view bytes = store::trimSpaces(std::string_view(utf8.constData(), utf8.size()));
    EXPECT_EQ(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())),
              QString::fromUtf16(GetParam().trimmed));
}

INSTANTIATE_TEST_SUITE_P(Cases, SpaceTrimming,
                         ::testing::Values(TrimCase{u"", u"", true}, TrimCase{u"   ", u"", true},
                                           TrimCase{u"  ABC ", u"ABC", false}, TrimCase{u"A B", u"A B", false},
                                           TrimCase{u"\tABC", u"\tABC", false}, TrimCase{u"ABC\n", u"ABC\n", false},
                                           TrimCase{u"\u00a0ABC\u00a0", u"\u00a0ABC\u00a0", false},
                                           TrimCase{u"\u3000", u"\u3000", false}, TrimCase{u" \t ", u"\t", false},
                                           TrimCase{u" \u00e9t\u00e9 ", u"\u00e9t\u00e9", false}));

TEST(UpperCasing, MapsEveryLetterWithACapitalAndKeepsTheRest)
{
    const struct
    {
        const char16_t *input;
        const char16_t *expected;
    } cases[] = {
        {u"abc", u"ABC"},
        {u" abc\t", u" ABC\t"},
        {u"\u00e9t\u00e9", u"\u00c9T\u00c9"}, // accented Latin
        {u"\u03b1\u03b2\u03b3", u"\u0391\u0392\u0393"}, // Greek
        {u"\u0444\u0431\u0440", u"\u0424\u0411\u0420"}, // Cyrillic
        {u"a1-b2_\u6f22", u"A1-B2_\u6f22"}, // digits, signs and CJK stay
        // One letter to one letter: no capital of its own, no change.
        {u"stra\u00dfe", u"STRA\u00dfE"}, // sharp s
        {u"\ufb01x", u"\ufb01X"}, // fi ligature
        {u"\u0149a", u"\u0149A"}, // n with apostrophe
        {u"\u0390", u"\u0390"}, // iota with dialytika and tonos
        {u"\u01c6\u03c2", u"\u01c4\u03a3"}, // dz digraph, final sigma
        {u"\U00010428b", u"\U00010400B"}, // Deseret, beyond 16 bits
        {u"a\xd801"
         u"b\xdc28",
         u"A\xd801"
         u"B\xdc28"}, // broken surrogates kept
    };
    for (const auto &c : cases)
        EXPECT_EQ(store::upperCased(QString::fromUtf16(c.input)), QString::fromUtf16(c.expected));
}

} // namespace

namespace {

// The beginning of a long stored text: never half a character, and "whole"
// exactly when nothing was left out.
TEST(StoredText, TheBeginningOfALongTextStopsBetweenCharacters)
{
    const struct
    {
        const char16_t *text;
        qsizetype longest;
        const char16_t *expected;
        bool whole;
    } cases[] = {
        {u"abcdef", 3, u"abc", false},
        {u"abc", 3, u"abc", true},
        {u"\u00e9\u00e9\u00e9", 3, u"\u00e9\u00e9\u00e9", true}, // six bytes, three characters
        {u"\u6f22\u5b57\u6f22\u5b57", 3, u"\u6f22\u5b57\u6f22", false},
        {u"ab\U0001F600cd", 3, u"ab", false}, // a pair is not split
        {u"ab\U0001F600", 4, u"ab\U0001F600", true},
        {u"anything", -1, u"anything", true},
    };
    for (const auto &c : cases) {
        const QByteArray utf8 = QString::fromUtf16(c.text).toUtf8();
        bool whole = false;
        EXPECT_EQ(store::fromStoredUtf8(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())), c.longest,
                                        whole),
                  QString::fromUtf16(c.expected))
            << utf8.toStdString();
        EXPECT_EQ(whole, c.whole) << utf8.toStdString();
    }
}

} // namespace
