#pragma once

// The trimmed-acronym index: it lets a lookup reach in a few page reads the
// record that the record scan reaches by reading every record before it,
// with exactly the scan's answer. trim(Acronym, ' ') trims spaces only and
// byte for byte, as the scan does; values that are no text (numbers, blobs)
// become the same text the scan reads; the BINARY comparison compares bytes
// and length, as the scan does; and the lowest rowid among equal keys is the
// scan's first record in natural order.

#include "store/sqlite.h"

#include <QString>

#include <optional>

namespace store {

enum class AcronymIndex {
    Usable,   // the file holds the index and stores text as UTF-8
    Missing,  // the file lacks the index and it may be added
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

// The lookup through the index; exposed so that its plan can be checked.
extern const char *const kSeekAcronymSql;

// The record scan's answer found through the index; the file must hold a
// usable index.
std::optional<qint64> seekAcronym(Database &db, const QString &key);

// Every lookup of the program: through the index when the file holds it or
// it can be added now, by the record scan otherwise (a read-only or locked
// file, or UTF-16 text).
std::optional<qint64> findFirstAcronym(Database &db, const QString &key);

} // namespace store
