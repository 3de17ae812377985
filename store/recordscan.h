#pragma once

#include "store/sqlite.h"

#include <QString>

#include <optional>

namespace store {

// The record scan: walks table Acronyms in natural (rowid) order and returns
// the rowid of the first record whose acronym, trimmed of spaces, equals the
// trimmed key code unit for code unit. Records without an acronym never match.
// The scan's statement is finished before it returns, so no read transaction
// outlives it.
std::optional<qint64> scanForAcronym(Database &db, const QString &key);

} // namespace store
