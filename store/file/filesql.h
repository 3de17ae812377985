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
// Moves with every change to the schema, by any program.
inline constexpr const char *schemaVersion = "PRAGMA schema_version";

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
inline constexpr const char *records = "SELECT Acronym, Definition, Active, rowid FROM Acronyms ORDER BY rowid";
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
inline constexpr const char *lastRowid = "SELECT coalesce(max(rowid), 0) FROM Acronyms";

// The history of changes: a table beside Acronyms that triggers on Acronyms
// fill, so that another program's writes are recorded too. Its value
// columns have no type, so that each value stays as the table stored it.
// A trigger cannot tell who writes (a function of ours would be missing in
// other programs); the program's own connection signs its changes in the
// same transaction (signChanges), and another program's carry no name.
// Times are UTC, "YYYY-MM-DD HH:MM:SS.SSS". AUTOINCREMENT: a number that
// undo takes is never given to another change, pruned or not.
//
// Every connection parses the triggers when it opens the file, a lookup's
// too, so they are as short as they can be: a changed record is stored as
// "changed", and readers tell appended from replaced by the values
// (store::operationOf); the time is the table's default. A record given
// another rowid (UPDATE ... SET rowid) is recorded as a change of the record
// at its new rowid.
inline constexpr const char *createHistoryTable =
    "CREATE TABLE AcronymsHistory (Change INTEGER PRIMARY KEY AUTOINCREMENT, Record INTEGER NOT NULL, "
    "Operation TEXT NOT NULL, AcronymBefore, DefinitionBefore, ActiveBefore, AcronymAfter, DefinitionAfter, "
    "ActiveAfter, At TEXT NOT NULL DEFAULT (strftime('%Y-%m-%d %H:%M:%f', 'now')), Who TEXT, Undoes INTEGER)";
inline constexpr const char *createHistoryTriggers =
    "CREATE TRIGGER AcronymsHistoryAdded AFTER INSERT ON Acronyms BEGIN "
    "INSERT INTO AcronymsHistory (Record, Operation, AcronymAfter, DefinitionAfter, ActiveAfter) "
    "VALUES (new.rowid, 'added', new.Acronym, new.Definition, new.Active); END;"
    "CREATE TRIGGER AcronymsHistoryChanged AFTER UPDATE ON Acronyms "
    "WHEN old.Acronym IS NOT new.Acronym OR old.Definition IS NOT new.Definition OR old.Active IS NOT new.Active "
    "BEGIN INSERT INTO AcronymsHistory (Record, Operation, AcronymBefore, DefinitionBefore, ActiveBefore, "
    "AcronymAfter, DefinitionAfter, ActiveAfter) VALUES (new.rowid, 'changed', old.Acronym, old.Definition, "
    "old.Active, new.Acronym, new.Definition, new.Active); END;"
    "CREATE TRIGGER AcronymsHistoryDeleted AFTER DELETE ON Acronyms BEGIN "
    "INSERT INTO AcronymsHistory (Record, Operation, AcronymBefore, DefinitionBefore, ActiveBefore) "
    "VALUES (old.rowid, 'deleted', old.Acronym, old.Definition, old.Active); END";
// A bulk write records its changes itself, in bulk: the history's
// triggers, as the file has them, go for the transaction and come back
// before it commits.
inline constexpr const char *historyTriggers = "SELECT name, sql FROM sqlite_schema WHERE type = 'trigger' "
                                               "AND tbl_name = 'Acronyms' AND name LIKE 'AcronymsHistory%'";
inline constexpr const char *dropTrigger = "DROP TRIGGER \"%1\"";
inline constexpr const char *keepsHistory =
    "SELECT EXISTS (SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = 'AcronymsHistory')";
// The last change before this transaction's: ours are the ones after it.
inline constexpr const char *lastChange = "SELECT coalesce(max(Change), 0) FROM AcronymsHistory";
// ?1 who, ?2 the change undone (or no value), ?3 the last change before ours.
inline constexpr const char *signChanges = "UPDATE AcronymsHistory SET Who = ?1, Undoes = ?2 WHERE Change > ?3";
// ?1 the rowid after which the bulk write added its records, ?2 who.
// The time worked out once, not for each record.
inline constexpr const char *recordAdded =
    "INSERT INTO AcronymsHistory (Record, Operation, AcronymAfter, DefinitionAfter, ActiveAfter, At, Who) "
    "SELECT rowid, 'added', Acronym, Definition, Active, (SELECT strftime('%Y-%m-%d %H:%M:%f', 'now')), ?2 "
    "FROM Acronyms WHERE rowid > ?1 ORDER BY rowid";

#define ORVEX_FILE_CHANGE                                                                                              \
    "Change, Record, Operation, AcronymBefore, DefinitionBefore, ActiveBefore, AcronymAfter, DefinitionAfter, "        \
    "ActiveAfter, At, Who, Undoes"
// Newest first. ?1 a key trimmed (or no value), ?2 the earliest time (or
// no value), ?3 who (or no value).
inline constexpr const char *changes =
    "SELECT " ORVEX_FILE_CHANGE " FROM AcronymsHistory WHERE (?1 IS NULL OR trim(AcronymBefore, ' ') = ?1 "
    "OR trim(AcronymAfter, ' ') = ?1) AND (?2 IS NULL OR At >= ?2) AND (?3 IS NULL OR Who = ?3) ORDER BY Change DESC";
// Oldest first, for a copy.
inline constexpr const char *everyChange = "SELECT " ORVEX_FILE_CHANGE " FROM AcronymsHistory ORDER BY Change";
inline constexpr const char *copyChange =
    "INSERT INTO AcronymsHistory (" ORVEX_FILE_CHANGE ") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)";
inline constexpr const char *anyChange = "SELECT EXISTS (SELECT 1 FROM AcronymsHistory)";
inline constexpr const char *copyRecordAt =
    "INSERT INTO Acronyms (rowid, Acronym, Definition, Active) VALUES (?4, ?1, ?2, ?3)";
// ?1 a change's number.
inline constexpr const char *change = "SELECT " ORVEX_FILE_CHANGE " FROM AcronymsHistory WHERE Change = ?1";
// ?1 a change's number, ?2 its record: the changes of the record since.
inline constexpr const char *laterChanges =
    "SELECT Change FROM AcronymsHistory WHERE Change > ?1 AND Record = ?2 ORDER BY Change LIMIT 6";
// Whether the record holds what change ?1 left, value for value.
inline constexpr const char *holdsAfter =
    "SELECT EXISTS (SELECT 1 FROM Acronyms a JOIN AcronymsHistory h ON a.rowid = h.Record WHERE h.Change = ?1 "
    "AND a.Acronym IS h.AcronymAfter AND a.Definition IS h.DefinitionAfter AND a.Active IS h.ActiveAfter)";
// ?1 a rowid.
inline constexpr const char *recordExists = "SELECT EXISTS (SELECT 1 FROM Acronyms WHERE rowid = ?1)";
// ?1 a trimmed acronym, ?2 a rowid: another record of the acronym.
inline constexpr const char *otherRecordOf =
    "SELECT rowid FROM Acronyms WHERE trim(Acronym, ' ') = ?1 AND rowid <> ?2 ORDER BY rowid LIMIT 1";
// Undoing change ?1: its record back as it was before it.
inline constexpr const char *restoreBefore =
    "UPDATE Acronyms SET Acronym = h.AcronymBefore, Definition = h.DefinitionBefore, Active = h.ActiveBefore "
    "FROM (SELECT Record, AcronymBefore, DefinitionBefore, ActiveBefore FROM AcronymsHistory WHERE Change = ?1) h "
    "WHERE Acronyms.rowid = h.Record";
// In its own place, or (?2 = 0) in a new one at the end.
inline constexpr const char *reinsertBefore =
    "INSERT INTO Acronyms (rowid, Acronym, Definition, Active) SELECT CASE WHEN ?2 THEN Record END, "
    "AcronymBefore, DefinitionBefore, ActiveBefore FROM AcronymsHistory WHERE Change = ?1";
inline constexpr const char *removeRecord = "DELETE FROM Acronyms WHERE rowid = ?1";
// ?1 '-N days'.
inline constexpr const char *prune = "DELETE FROM AcronymsHistory WHERE At < strftime('%Y-%m-%d %H:%M:%f', 'now', ?1)";
// How many, the oldest, and the pages they take (SQLite's dbstat, where the
// library has it; the size of the values otherwise).
inline constexpr const char *historyCount = "SELECT count(*), min(At) FROM AcronymsHistory";
inline constexpr const char *historyPages =
    "SELECT coalesce(sum(pgsize), 0) FROM dbstat WHERE name = 'AcronymsHistory'";
inline constexpr const char *historyValueBytes =
    "SELECT coalesce(sum(length(CAST(coalesce(AcronymBefore, '') || coalesce(DefinitionBefore, '') || "
    "coalesce(AcronymAfter, '') || coalesce(DefinitionAfter, '') AS BLOB))), 0) FROM AcronymsHistory";

#undef ORVEX_FILE_CHANGE

} // namespace store::filesql
