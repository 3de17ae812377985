#pragma once

// The server's SQL, in one place. Keys are compared trimmed of spaces, byte
// for byte (collation "C"). The index holds a prefix of each trimmed acronym,
// as an index entry has a size limit that an acronym need not keep; the full
// comparison follows on the few rows the prefix finds, in id order.

namespace store::serversql {

// Many records at once (an import, a copy): first adds are held off (they
// take this lock shared with their key's), so that none looks for its
// acronym before the import's records are there and stores it again; then
// the table, so that other changes wait too. Readers go on reading.
inline constexpr const char *holdOffAdds = "SELECT pg_advisory_xact_lock(1330796120, 0)";
inline constexpr const char *lockForBulkWrite = "LOCK TABLE acronyms IN EXCLUSIVE MODE";

inline constexpr const char *createTable = "CREATE TABLE acronyms (id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY, "
                                           "acronym text, definition text, active integer)";
inline constexpr const char *tableExists = "SELECT to_regclass('acronyms') IS NOT NULL";
inline constexpr const char *createIndex =
    "CREATE INDEX acronyms_trimmed ON acronyms ((left(btrim(acronym, ' '), 200) COLLATE \"C\"), id)";

// The columns of an entry: id, acronym, definition; a value without one is "".
#define ORVEX_SERVER_ENTRY "id, coalesce(acronym, ''), coalesce(definition, '')"
// An entry written, the id of the transaction that wrote it and the server's
// timeline (a promoted standby starts a new one, and may reuse the id).
#define ORVEX_SERVER_TIMELINE "left(pg_walfile_name(pg_current_wal_lsn()), 8)"
#define ORVEX_SERVER_WRITTEN ORVEX_SERVER_ENTRY ", txid_current(), " ORVEX_SERVER_TIMELINE

// $1: the key, upper-cased, blanks kept.
#define ORVEX_SERVER_FIND_KEY                                                                                          \
    " FROM acronyms "                                                                                                  \
    "WHERE left(btrim(acronym, ' '), 200) COLLATE \"C\" = left(btrim($1, ' '), 200) COLLATE \"C\" "                    \
    "AND btrim(acronym, ' ') COLLATE \"C\" = btrim($1, ' ') COLLATE \"C\" "                                            \
    "ORDER BY id LIMIT 1"
inline constexpr const char *find = "SELECT " ORVEX_SERVER_ENTRY ORVEX_SERVER_FIND_KEY;
// The same with only the first $2 characters of the definition, and its
// size in bytes: a window shows no more, and a definition of hundreds of
// megabytes would otherwise cross the network and fill memory.
inline constexpr const char *findBeginning =
    "SELECT id, coalesce(acronym, ''), left(coalesce(definition, ''), $2::integer), "
    "coalesce(octet_length(definition), 0)" ORVEX_SERVER_FIND_KEY;
#undef ORVEX_SERVER_FIND_KEY

// Writers of one acronym queue here until the one before them commits; and
// all wait while an import or a copy holds adds off (holdOffAdds). One
// statement, one round trip.
inline constexpr const char *lockKey =
    "SELECT pg_advisory_xact_lock_shared(1330796120, 0), pg_advisory_xact_lock(hashtext(btrim($1, ' ')))";

// $1 the key, $2 the definition.
inline constexpr const char *insert =
    "INSERT INTO acronyms (acronym, definition, active) VALUES ($1, $2, 1) RETURNING " ORVEX_SERVER_WRITTEN;

// $1 the id, $2 the text to append (" - " and more): to the definition as
// stored at this moment.
inline constexpr const char *append = "UPDATE acronyms SET definition = coalesce(definition, '') || $2 "
                                      "WHERE id = $1 RETURNING " ORVEX_SERVER_WRITTEN;

// $1 the id, $2 the new definition.
inline constexpr const char *replace =
    "UPDATE acronyms SET definition = $2 WHERE id = $1 RETURNING " ORVEX_SERVER_WRITTEN;

// $1 a transaction id: "committed", "aborted", "in progress", or no value
// when it is too old to tell; and the timeline it is told on.
inline constexpr const char *transactionStatus = "SELECT txid_status($1), " ORVEX_SERVER_TIMELINE;

// $1 the id.
inline constexpr const char *remove = "DELETE FROM acronyms WHERE id = $1 RETURNING " ORVEX_SERVER_WRITTEN;

// $1 a prefix: the distinct trimmed acronyms that start with it, by their bytes.
inline constexpr const char *acronyms = "SELECT DISTINCT btrim(acronym, ' ') COLLATE \"C\" AS trimmed FROM acronyms "
                                        "WHERE starts_with(btrim(acronym, ' ') COLLATE \"C\", $1) ORDER BY trimmed";

// Every acronym trimmed, for the in-memory list (store/acronymlist.h).
inline constexpr const char *everyAcronym = "SELECT btrim(acronym, ' ') FROM acronyms WHERE acronym IS NOT NULL";
// What this session may see of every table. It changes whenever a
// transaction that writes starts or ends anywhere on the server (a standby
// included), so an unchanged snapshot means unchanged acronyms.
inline constexpr const char *snapshot = "SELECT txid_current_snapshot()::text";

// Every entry with a definition, in natural order: the words are compared by
// the caller, as the server's case rules need not be the program's.
inline constexpr const char *withDefinitions =
    "SELECT " ORVEX_SERVER_ENTRY " FROM acronyms WHERE definition IS NOT NULL ORDER BY id";

// Whether this role may add and change, on a server that takes writes.
inline constexpr const char *readOnly =
    "SELECT NOT (has_table_privilege('acronyms', 'INSERT') AND has_table_privilege('acronyms', 'UPDATE')) "
    "OR pg_is_in_recovery() OR current_setting('transaction_read_only') = 'on'";

// Whole-table reading, a batch at a time in id order: $1 the last id seen.
inline constexpr const char *oneMoment = "SET TRANSACTION ISOLATION LEVEL REPEATABLE READ";
inline constexpr const char *recordsAfter =
    "SELECT id, acronym, definition, active FROM acronyms WHERE id > $1 ORDER BY id LIMIT 5000";
inline constexpr const char *firstRowsAfter =
    "SELECT id, acronym, definition FROM acronyms WHERE id > $1 ORDER BY id LIMIT 20000";
inline constexpr const char *anyRecord = "SELECT EXISTS (SELECT 1 FROM acronyms)";

// Many rows to a statement (RowBatches): head, then row for each row, then tail.
inline constexpr const char *insertRowsHead = "INSERT INTO acronyms (acronym, definition, active) VALUES ";
inline constexpr const char *copiedRow = "(?, ?, ?::integer)";
inline constexpr const char *importedRow = "(?, ?, 1)";
inline constexpr const char *changeRowsHead = "UPDATE acronyms SET definition = changed.definition FROM (VALUES ";
inline constexpr const char *changedRow = "(?::bigint, ?)";
inline constexpr const char *changeRowsTail = ") AS changed (id, definition) WHERE acronyms.id = changed.id";

// Every column the program uses, read from no row: fails when one is missing.
inline constexpr const char *probe = "SELECT id, acronym, definition, active FROM acronyms WHERE false";

#undef ORVEX_SERVER_WRITTEN
#undef ORVEX_SERVER_TIMELINE
#undef ORVEX_SERVER_ENTRY

} // namespace store::serversql
