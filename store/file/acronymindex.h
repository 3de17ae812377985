#pragma once

// The trimmed-acronym index: it lets a lookup reach in a few page reads the
// record that the record scan reaches by reading every record before it,
// with exactly the scan's answer. trim(Acronym, ' ') trims spaces only and
// byte for byte, as the scan does; values that are no text (numbers, blobs)
// become the same text the scan reads; the BINARY comparison compares bytes
// and length, as the scan does; and the lowest rowid among equal keys is the
// scan's first record in natural order.

#include "store/entry.h"
#include "store/file/sqlite.h"

#include <QString>

#include <optional>

namespace store {

enum class AcronymIndex {
    Usable, // the file holds the index and stores text as UTF-8
    Missing, // the file lacks the index and it may be added
    Unusable, // UTF-16 text, or an index of that name that cannot answer the lookup
};

AcronymIndex acronymIndexState(Database &db);

// Adds the index unless the file has it: one statement, stored whole or not
// at all.
void createAcronymIndex(Database &db);

// Removes the program's own index before a bulk load (one sort afterwards
// is far cheaper than a million index inserts); an index of that name that
// is somebody else's is left alone. Call createAcronymIndex() afterwards in
// the same transaction.
void dropAcronymIndex(Database &db);

// Adds the index when the file can take it now; a file that refused it is
// not asked again during this run, and a locked one is asked next time.
bool tryToAddAcronymIndex(Database &db);

// The lookup through the index, giving rowid, Acronym and Definition;
// exposed so that its plan can be checked. The key is bound trimmed.
extern const char *const kSeekAcronymSql;

// The record scan's answer found through the index; the file must hold a
// usable index.
std::optional<qint64> seekAcronym(Database &db, const QString &key);

// The one statement every lookup of an open dictionary runs, chosen and
// prepared once per open: the index seek when the file holds the index or
// can take it now, the record scan otherwise (a read-only or locked file,
// UTF-16 text, or lookups by index switched off). Reset after each lookup,
// so that no read transaction outlives one.
// An entry from a row of rowid, acronym and definition; the definition
// shortened to longest characters when it is longer.
Entry entryFromRow(const Statement &row, qsizetype longest);

class AcronymLookup
{
public:
    explicit AcronymLookup(Database &db);

    // key: the key as the caller forms it (upper-cased, blanks kept).
    // Definitions longer than longest characters come back shortened.
    std::optional<Entry> find(const QString &key, qsizetype longest = -1);
    bool usesIndex() const { return m_byIndex; }

private:
    std::optional<Statement> m_statement;
    bool m_byIndex = false;
};

} // namespace store
