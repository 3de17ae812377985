#pragma once

// The one way into the acronym table for the windows, orvex-db and the
// benchmarks. A Dictionary is one open dictionary: made by opening, closed
// when it goes. It owns the rules of a key (upper-cased as typed, compared
// after trimming spaces, first match in natural order) and the " - " rule;
// the engine beneath is a file or a server.
//
// Opening checks the table once; a lookup is then one statement. No
// operation leaves a transaction open behind it, so a Dictionary may stay
// open while the user types an answer.

#include "store/entry.h"
#include "store/error.h"
#include "store/location.h"
#include "store/rules.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace store {

class AcronymList;
class Backend;

// How many suggestions a miss shows unless asked otherwise.
inline constexpr int kSuggestions = 5;

class Dictionary
{
public:
    explicit Dictionary(const Location &where);
    ~Dictionary() noexcept;
    Dictionary(Dictionary &&other) noexcept;
    Dictionary &operator=(Dictionary &&other) noexcept;
    Dictionary(const Dictionary &) = delete;
    Dictionary &operator=(const Dictionary &) = delete;

    const Location &location() const { return m_location; }

    // The first entry in natural order whose trimmed acronym equals the
    // trimmed key of typed.
    std::optional<Entry> find(const QString &typed);
    // The same for an acronym known to be stored: one removed by another
    // program meanwhile is reported (Kind::RecordGone).
    Entry stored(const QString &typed);

    using Added = store::Added;
    // Stores keyOf(typed) with the definition exactly as given, unless the
    // acronym is stored (by another program too, up to the moment of
    // writing): the look and the write share one write transaction.
    Added add(const QString &typed, const QString &definition);

    // The definition as stored at this moment, with " - " and more after it,
    // written at once and in one statement, so that another program's words
    // written since entry was read are kept, and so is every stored byte.
    // Gives the entry as stored now. An entry removed meanwhile is reported.
    Entry append(const Entry &entry, const QString &more);
    // Overwrites entry's definition; no other field changes.
    Entry replace(const Entry &entry, const QString &definition);

    // Deletes the entry's record; an entry removed meanwhile is reported.
    void remove(const Entry &entry);

    // The acronyms a lookup compares with, each once: the stored acronyms
    // trimmed of spaces that start with keyOf(typedPrefix) trimmed of
    // leading spaces, sorted by their bytes.
    QStringList acronyms(const QString &typedPrefix = QString());

    // The same from the first one sorting after after (by bytes; "" from the
    // first), at most limit of them: a page of a long listing.
    QStringList acronyms(const QString &typedPrefix, const QString &after, qsizetype limit);

    // Up to limit stored acronyms that typed may have meant when its key is
    // not stored, best first: those with its letters and digits, then those
    // within two edits of it (store/acronymlist.h has the rule). The key
    // itself is never one of them.
    QStringList suggestions(const QString &typed, int limit = kSuggestions);

    // The entries whose definition contains every one of words, letter case
    // aside, in natural order. No words: none.
    QList<Entry> search(const QStringList &words);

    // Definitions longer than characters come back shortened to their
    // beginning, with Entry::shortenedFrom set: a window shows no more, and
    // reading hundreds of megabytes another tool stored would hold it up.
    // The stored text is never changed by this. Unset (-1), they come whole.
    void setLongestDefinition(qsizetype characters);

    // Whether adding and changing are refused here (a read-only file or
    // folder, a role without write rights).
    bool isReadOnly();
    // Throws the Error that says so (Kind::ReadOnly) when isReadOnly().
    void requireWritable();

    // A mark that differs whenever anything stored may have changed since it
    // was last given, by this program or another: what was read from the
    // dictionary holds as long as the mark stays the same.
    QByteArray changeMark();
    // Whether its location now holds another dictionary than the one
    // opened (a file put in its place): a new Dictionary reads that one.
    bool isReplaced();

    // Closes now rather than when the Dictionary goes.
    void close() noexcept;

private:
    // The stored acronyms in memory, read again when they may have changed.
    const AcronymList &acronymList();

    Location m_location;
    std::unique_ptr<Backend> m_backend;
    qsizetype m_longest = -1;
    std::unique_ptr<AcronymList> m_list;
    QByteArray m_listMark;
};

} // namespace store
