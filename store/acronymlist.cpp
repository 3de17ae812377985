#include "store/acronymlist.h"

#include "store/rules.h"
#include "store/text.h"

#include <QChar>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <tuple>

namespace store {

namespace {

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Text known to be whole UTF-8 (a key, or an acronym that is its own key).
std::u32string characters(std::string_view utf8)
{
    std::u32string text;
    text.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        const int more = byte < 0x80 ? 0 : byte < 0xE0 ? 1 : byte < 0xF0 ? 2 : 3;
        char32_t c = more == 0 ? byte : byte & (0x3F >> more);
        for (int k = 1; k <= more && i + k < utf8.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        text.push_back(c);
        i += static_cast<size_t>(more) + 1;
    }
    return text;
}

bool isLetterOrDigit(char32_t c)
{
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    return QChar::isLetterOrNumber(c);
}

// A bit for each kind of character: one edit takes away at most one kind
// and adds at most one, so two texts within two edits differ in at most two
// bits each way. Kinds that share a bit only let more through.
std::uint64_t kindsOf(std::u32string_view text)
{
    std::uint64_t bits = 0;
    for (const char32_t c : text) {
        unsigned bit = 0;
        if (c >= 'A' && c <= 'Z')
            bit = c - 'A';
        else if (c >= '0' && c <= '9')
            bit = 26 + (c - '0');
        else
            bit = 36 + static_cast<unsigned>((c * 2654435761u) >> 16) % 28;
        bits |= std::uint64_t(1) << bit;
    }
    return bits;
}

// A suggestion is at most this many edits away.
constexpr int kMostEdits = 2;

// Whether at most kMostEdits bits are set, in a few instructions.
bool atMostTwoBits(std::uint64_t bits)
{
    static_assert(kMostEdits == 2);
    bits &= bits - 1;
    bits &= bits - 1;
    return bits == 0;
}

std::uint64_t hashOf(std::u32string_view text)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char32_t c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

} // namespace

std::u32string lettersAndDigits(std::u32string_view text)
{
    std::u32string kept;
    for (const char32_t c : text) {
        if (isLetterOrDigit(c))
            kept.push_back(c);
    }
    return kept;
}

int editsBetween(std::u32string_view a, std::u32string_view b, int most)
{
    const int n = static_cast<int>(a.size());
    const int m = static_cast<int>(b.size());
    const int beyond = most + 1;
    if (std::abs(n - m) > most)
        return beyond;
    // Three rows of the table of edits (the swap looks two rows back), each
    // only within most of the diagonal: a cell further off needs more.
    std::vector<int> rows(3 * static_cast<size_t>(m + 1), beyond);
    int *before = rows.data();
    int *previous = before + m + 1;
    int *current = previous + m + 1;
    for (int j = 0; j <= std::min(m, most); ++j)
        previous[j] = j;
    for (int i = 1; i <= n; ++i) {
        const int low = std::max(1, i - most);
        const int high = std::min(m, i + most);
        current[low - 1] = low == 1 && i <= most ? i : beyond;
        if (high < m)
            current[high + 1] = beyond;
        int best = current[low - 1];
        for (int j = low; j <= high; ++j) {
            int cell = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (a[i - 1] != b[j - 1])});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                cell = std::min(cell, before[j - 2] + 1);
            current[j] = std::min(cell, beyond);
            best = std::min(best, current[j]);
        }
        if (best > most)
            return beyond;
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return std::min(previous[m], beyond);
}

AcronymList::AcronymList(std::vector<std::string> acronyms)
{
    std::sort(acronyms.begin(), acronyms.end());
    acronyms.erase(std::unique(acronyms.begin(), acronyms.end()), acronyms.end());
    acronyms.erase(std::remove(acronyms.begin(), acronyms.end(), std::string()), acronyms.end());

    size_t bytes = 0;
    for (const std::string &acronym : acronyms)
        bytes += acronym.size();
    m_bytes.reserve(bytes);
    m_start.reserve(acronyms.size() + 1);
    for (std::string &acronym : acronyms) {
        m_start.push_back(static_cast<std::uint32_t>(m_bytes.size()));
        m_bytes += acronym;
        std::string().swap(acronym);
    }
    m_start.push_back(static_cast<std::uint32_t>(m_bytes.size()));

    std::vector<std::tuple<std::uint32_t, std::uint32_t, std::uint64_t>> byLength;
    for (std::uint32_t entry = 0; entry + 1 < m_start.size(); ++entry) {
        const std::string_view acronym = at(entry);
        // Only what a lookup can find is worth suggesting.
        if (keyOfUtf8(acronym) != acronym)
            continue;
        const std::u32string text =
            isAscii(acronym) ? std::u32string(acronym.begin(), acronym.end()) : characters(acronym);
        byLength.push_back({static_cast<std::uint32_t>(text.size()), entry, kindsOf(text)});
        const std::u32string bare = lettersAndDigits(text);
        if (!bare.empty())
            m_bareHashes.emplace_back(hashOf(bare), entry);
    }
    std::sort(byLength.begin(), byLength.end());
    for (const auto &[length, entry, kinds] : byLength) {
        m_length.push_back(length);
        m_entry.push_back(entry);
        m_kinds.push_back(kinds);
    }
    std::sort(m_bareHashes.begin(), m_bareHashes.end());
}

QStringList AcronymList::page(std::string_view prefix, std::string_view after, qsizetype limit) const
{
    QStringList found;
    // The entries are sorted, so the first index at or past a text is found
    // by halving.
    const auto firstFrom = [this](std::string_view text, bool past) {
        std::uint32_t low = 0;
        std::uint32_t high = static_cast<std::uint32_t>(size());
        while (low < high) {
            const std::uint32_t middle = low + (high - low) / 2;
            const std::string_view entry = at(middle);
            if (entry < text || (past && entry == text))
                low = middle + 1;
            else
                high = middle;
        }
        return low;
    };
    std::uint32_t entry = after > prefix ? firstFrom(after, true) : firstFrom(prefix, false);
    for (; entry < static_cast<std::uint32_t>(size()) && found.size() < limit; ++entry) {
        const std::string_view acronym = at(entry);
        if (acronym.substr(0, prefix.size()) != prefix)
            break;
        found << fromStoredUtf8(acronym);
    }
    return found;
}

QStringList AcronymList::suggestions(std::string_view key, int limit) const
{
    const std::u32string typed = characters(key);
    if (typed.empty() || limit <= 0)
        return {};

    // (0 for the same letters and digits, 1 otherwise; edits; entry): the
    // entries are sorted by their bytes, so this order is the ranking.
    std::vector<std::tuple<int, int, std::uint32_t>> found;
    const auto textOf = [this](std::uint32_t entry) {
        const std::string_view acronym = at(entry);
        return isAscii(acronym) ? std::u32string(acronym.begin(), acronym.end()) : characters(acronym);
    };

    const std::u32string bare = lettersAndDigits(typed);
    if (!bare.empty()) {
        const std::uint64_t hash = hashOf(bare);
        auto it = std::lower_bound(m_bareHashes.begin(), m_bareHashes.end(), std::make_pair(hash, std::uint32_t(0)));
        for (; it != m_bareHashes.end() && it->first == hash; ++it) {
            const std::u32string text = textOf(it->second);
            if (text != typed && lettersAndDigits(text) == bare)
                found.emplace_back(0, editsBetween(typed, text, static_cast<int>(typed.size() + text.size())),
                                   it->second);
        }
    }

    const std::uint64_t kinds = kindsOf(typed);
    const auto length = static_cast<std::uint32_t>(typed.size());
    const auto first = static_cast<std::size_t>(
        std::lower_bound(m_length.begin(), m_length.end(), length > kMostEdits ? length - kMostEdits : 0)
        - m_length.begin());
    const auto end = static_cast<std::size_t>(std::upper_bound(m_length.begin(), m_length.end(), length + kMostEdits)
                                              - m_length.begin());
    for (std::size_t i = first; i < end; ++i) {
        if (!atMostTwoBits(kinds & ~m_kinds[i]) || !atMostTwoBits(m_kinds[i] & ~kinds))
            continue;
        const std::u32string text = textOf(m_entry[i]);
        const int edits = editsBetween(typed, text, kMostEdits);
        if (edits > 0 && edits <= kMostEdits)
            found.emplace_back(1, edits, m_entry[i]);
    }

    std::sort(found.begin(), found.end());
    QStringList best;
    std::vector<std::uint32_t> taken;
    for (const auto &[group, edits, entry] : found) {
        if (best.size() >= limit)
            break;
        if (std::find(taken.begin(), taken.end(), entry) != taken.end())
            continue;
        taken.push_back(entry);
        best << fromStoredUtf8(at(entry));
    }
    return best;
}

} // namespace store
