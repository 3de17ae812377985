#pragma once

// The stored acronyms held in memory, for the two questions no index of an
// engine answers quickly: a page of a long listing by prefix, and the
// acronyms a key that is not stored may have meant (suggestions). Made from
// one read of every acronym; Dictionary reads them again when its engine
// says they may have changed.
//
// A suggestion for a key is a stored acronym a lookup can find (it is its
// own key: no lower-case letter, whole UTF-8), other than the key itself,
// that
// - has the key's letters and digits once everything else is left out of
//   both ("10-10 EZ" for "1010EZ", "AT&T" for "ATT"), or
// - is within two edits of the key, an edit being one character added,
//   removed or changed, or two neighbours swapped ("CPU" for "CUP").
// Best first: the same letters and digits first, then by edits, then by
// bytes.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace store {

class AcronymList
{
public:
    // acronyms: every stored acronym trimmed of spaces, as UTF-8 bytes, in
    // any order; repeats and empty ones are left out here.
    explicit AcronymList(std::vector<std::string> acronyms);

    // How many distinct acronyms it holds.
    qsizetype size() const { return static_cast<qsizetype>(m_start.size()) - 1; }

    // Those that start with prefix and sort after after (bytes; "" from the
    // first), at most limit of them, by their bytes.
    QStringList page(std::string_view prefix, std::string_view after, qsizetype limit) const;

    // Up to limit acronyms key may have meant, best first. key: upper-cased
    // and trimmed, as lookups compare it.
    QStringList suggestions(std::string_view key, int limit) const;

private:
    std::string_view at(std::uint32_t entry) const
    {
        return std::string_view(m_bytes).substr(m_start[entry], m_start[entry + 1] - m_start[entry]);
    }

    std::string m_bytes; // the acronyms one after another, sorted by their bytes
    std::vector<std::uint32_t> m_start; // where each starts; one more for the end
    // Those a lookup finds, shortest first, in three arrays side by side:
    // the scan for suggestions reads the first alone for most of them.
    std::vector<std::uint64_t> m_kinds; // a bit for each kind of character in it
    std::vector<std::uint32_t> m_length; // in characters
    std::vector<std::uint32_t> m_entry;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> m_bareHashes; // letters and digits alone, hashed; sorted
};

// The edits (see above) that turn a into b, or most + 1 when more are needed.
int editsBetween(std::u32string_view a, std::u32string_view b, int most);

// text without everything but its letters and digits.
std::u32string lettersAndDigits(std::u32string_view text);

} // namespace store
