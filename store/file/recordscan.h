#pragma once

#include "store/file/sqlite.h"

#include <QString>

#include <optional>
#include <string_view>

namespace store {

// Every record in natural (rowid) order: rowid, Acronym, Definition. The
// definition is read only for the record that matches.
extern const char *const kScanAcronymsSql;

// The record scan: steps scan, a fresh or reset statement of kScanAcronymsSql,
// to the first record whose acronym, trimmed of spaces, equals key (UTF-8,
// trimmed) byte for byte, and stops there. Records without an acronym never
// match. False when it reached the end.
bool scanTo(Statement &scan, std::string_view key);

// The scan's answer as a rowid; its statement is finished before it returns,
// so no read transaction outlives it.
std::optional<qint64> scanForAcronym(Database &db, const QString &key);

} // namespace store
