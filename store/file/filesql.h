#pragma once

// The file engine's SQL, in one place. Table Acronyms has no key of its own:
// the rowid is a record's place in natural order. Keys are compared trimmed
// of spaces (trim(x, ' ')), byte for byte (BINARY).

namespace store::filesql {

inline constexpr const char *createTable = "CREATE TABLE Acronyms (Acronym TEXT, Definition TEXT, Active INTEGER)";

// The trimmed-acronym index (see acronymindex.h).
inline constexpr const char *createIndex =
    "CREATE INDEX IF NOT EXISTS AcronymsTrimmed ON Acronyms (trim(Acronym, ' '))";
inline constexpr const char *dropIndex = "DROP INDEX AcronymsTrimmed";
// INDEXED BY makes the plan certain: statistics another tool stored in the
// file cannot turn this into a walk through the table, and an index of that
// name that cannot answer the query is refused when the query is prepared.
// ?1: the key, trimmed.
inline constexpr const char *seek = "SELECT rowid, Acronym, Definition FROM Acronyms INDEXED BY AcronymsTrimmed "
                                    "WHERE trim(Acronym, ' ') = ?1 ORDER BY rowid LIMIT 1";
// Every record in natural order, for the record scan.
inline constexpr const char *scan = "SELECT rowid, Acronym, Definition FROM Acronyms ORDER BY rowid";
inline constexpr const char *encoding = "PRAGMA encoding";

// ?1 the key, ?2 the definition; gives what the table made of them.
inline constexpr const char *insert = "INSERT INTO Acronyms (Acronym, Definition, Active) VALUES (?1, ?2, 1) "
                                      "RETURNING rowid, typeof(Acronym), typeof(Definition)";
// ?1 the text to append, ?2 the rowid: onto the definition as stored now.
inline constexpr const char *append = "UPDATE Acronyms SET Definition = coalesce(Definition, '') || ?1 "
                                      "WHERE rowid = ?2 RETURNING rowid, Acronym, Definition, typeof(Definition)";
// ?1 the definition, ?2 the rowid.
inline constexpr const char *replace = "UPDATE Acronyms SET Definition = ?1 WHERE rowid = ?2 "
                                       "RETURNING rowid, Acronym, Definition, typeof(Definition)";
// ?1 the rowid.
inline constexpr const char *remove = "DELETE FROM Acronyms WHERE rowid = ?1";
// ?1 the lowest trimmed acronym, ?2 the first one above the prefix (or no
// value): a range of the trimmed-acronym index when the file has it.
inline constexpr const char *acronyms = "SELECT trim(Acronym, ' ') AS a FROM Acronyms "
                                        "WHERE a >= ?1 AND (?2 IS NULL OR a < ?2) GROUP BY a ORDER BY a";
// Every acronym trimmed, for the in-memory list (store/acronymlist.h), and
// whether another connection changed the file since this one last asked.
inline constexpr const char *everyAcronym = "SELECT trim(Acronym, ' ') FROM Acronyms WHERE Acronym IS NOT NULL";
inline constexpr const char *dataVersion = "PRAGMA data_version";
// Up to a gigabyte of the file mapped into memory, for a program that only reads.
inline constexpr const char *mapForReading = "PRAGMA mmap_size = 1073741824";
// Followed by one searchWord for each word, then searchOrder.
inline constexpr const char *searchHead =
    "SELECT rowid, Acronym, Definition FROM Acronyms WHERE Definition IS NOT NULL";
inline constexpr const char *searchWord = " AND Definition LIKE ?%1 ESCAPE '\\'";
inline constexpr const char *searchOrder = " ORDER BY rowid";

// One read transaction: a single moment of the table.
inline constexpr const char *beginRead = "BEGIN";
inline constexpr const char *endRead = "COMMIT";
// Every field of every record, in natural order (copy, export, stats).
inline constexpr const char *records = "SELECT Acronym, Definition, Active FROM Acronyms ORDER BY rowid";
inline constexpr const char *anyRecord = "SELECT EXISTS (SELECT 1 FROM Acronyms)";
// ?1..?3: the fields as the source stored them, a missing value as none.
inline constexpr const char *copyRecord = "INSERT INTO Acronyms (Acronym, Definition, Active) VALUES (?1, ?2, ?3)";

// The bulk import's.
inline constexpr const char *firstRows = "SELECT rowid, Acronym FROM Acronyms ORDER BY rowid";
inline constexpr const char *declaredTypes = "SELECT upper(type) FROM pragma_table_info('Acronyms') "
                                             "WHERE name COLLATE NOCASE IN ('Acronym', 'Definition')";
inline constexpr const char *bulkInsert = "INSERT INTO Acronyms (Acronym, Definition, Active) VALUES (?1, ?2, 1)";
inline constexpr const char *bulkInsertChecked =
    "INSERT INTO Acronyms (Acronym, Definition, Active) VALUES (?1, ?2, 1) "
    "RETURNING typeof(Acronym), typeof(Definition)";
inline constexpr const char *definitionAt = "SELECT Definition FROM Acronyms WHERE rowid = ?1";
inline constexpr const char *setDefinition = "UPDATE Acronyms SET Definition = ?1 WHERE rowid = ?2";
inline constexpr const char *cacheKiB = "PRAGMA cache_size = -%1";
inline constexpr const char *sortOnTwoThreads = "PRAGMA threads = 2";

} // namespace store::filesql
