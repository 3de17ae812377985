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
// Followed by one searchWord for each word, then searchOrder: the server
// leaves out what cannot match, so that no definition travels for nothing.
// Read in batches (inSizedBatches: $1 and $2 the batch's ids, the words from
// $3), so that each statement ends well within the bounded wait however
// much the table holds.
inline constexpr const char *searchHead =
    "SELECT " ORVEX_SERVER_ENTRY " FROM acronyms WHERE id > $1 AND id <= $2 AND definition IS NOT NULL";
inline constexpr const char *searchWord = " AND definition ILIKE $%1";
inline constexpr const char *searchOrder = " ORDER BY id";

// Whether this role may add and change, on a server that takes writes.
inline constexpr const char *readOnly =
    "SELECT NOT (has_table_privilege('acronyms', 'INSERT') AND has_table_privilege('acronyms', 'UPDATE')) "
    "OR pg_is_in_recovery() OR current_setting('transaction_read_only') = 'on'";

// Whether another program holds the dictionary's table or history, or an
// advisory lock of its database, in a way that can keep a lookup or a
// change waiting.
inline constexpr const char *heldByAnother =
    "SELECT EXISTS (SELECT 1 FROM pg_locks WHERE granted AND pid <> pg_backend_pid() AND mode <> 'AccessShareLock' "
    "AND database = (SELECT oid FROM pg_database WHERE datname = current_database()) "
    "AND (locktype = 'advisory' OR relation IN (to_regclass('acronyms'), to_regclass('acronyms_history'))))";
// Whole-table reading, a batch at a time in id order: $1 the last id seen.
inline constexpr const char *oneMoment = "SET TRANSACTION ISOLATION LEVEL REPEATABLE READ";
// Every record a batch at a time: the ids and sizes of the next records,
// then as many of them as make a few megabytes (one at least), so that long
// definitions never come many at once.
inline constexpr const char *recordSizesAfter =
    "SELECT id, coalesce(octet_length(acronym), 0) + coalesce(octet_length(definition), 0) FROM acronyms "
    "WHERE id > $1 ORDER BY id LIMIT 5000";
inline constexpr const char *recordsUpTo =
    "SELECT id, acronym, definition, active FROM acronyms WHERE id > $1 AND id <= $2 ORDER BY id";
// Whether each definition holds more than spaces, told by the server from
// its beginning, which it reads alone from a long value; only a beginning
// of spaces sends it through the rest.
inline constexpr const char *outlinesAfter =
    "SELECT id, acronym, CASE WHEN definition IS NULL THEN false WHEN ltrim(left(definition, 256), ' ') <> '' "
    "THEN true ELSE ltrim(definition, ' ') <> '' END FROM acronyms WHERE id > $1 ORDER BY id LIMIT 10000";
// The records an import may add to, with their definitions when short; a
// long one (the last column true) is read when the import meets its acronym.
inline constexpr const char *firstRowsAfter =
    "SELECT id, acronym, CASE WHEN octet_length(definition) <= 65536 THEN definition END, "
    "octet_length(definition) > 65536 FROM acronyms WHERE id > $1 ORDER BY id LIMIT 20000";
inline constexpr const char *definitionOf = "SELECT definition FROM acronyms WHERE id = $1";
inline constexpr const char *anyRecord = "SELECT EXISTS (SELECT 1 FROM acronyms)";

// Many rows to a statement (RowBatches): head, then row for each row, then tail.
inline constexpr const char *insertRowsHead = "INSERT INTO acronyms (acronym, definition, active) VALUES ";
inline constexpr const char *copiedRow = "(?, ?, ?::integer)";
inline constexpr const char *importedRow = "(?, ?, 1)";
inline constexpr const char *changeRowsHead = "UPDATE acronyms SET definition = changed.definition FROM (VALUES ";
inline constexpr const char *changedRow = "(?::bigint, ?)";
inline constexpr const char *changeRowsTail = ") AS changed (id, definition) WHERE acronyms.id = changed.id";

// Copying with the history: the records keep their ids, which it names.
inline constexpr const char *insertRowsAtHead =
    "INSERT INTO acronyms (id, acronym, definition, active) OVERRIDING SYSTEM VALUE VALUES ";
inline constexpr const char *copiedRowAt = "(?::bigint, ?, ?, ?::integer)";
inline constexpr const char *idsFromHere =
    "SELECT setval(pg_get_serial_sequence('acronyms', 'id'), max(id)) FROM acronyms HAVING count(*) > 0";

// The history of changes: a table beside acronyms, filled by triggers.
// Adding is recorded once for each statement, with all of its rows at once
// (an import's batch of 500 rows costs one more statement, not 500 calls);
// changing and deleting, which the program does a record at a time, once
// for each row, which costs a single row less. The trigger functions run as
// the table's owner, SECURITY DEFINER: a writer can neither write the
// history itself nor leave a change out, and nobody but the owner may
// change or prune it. who: session_user, the role that logged in, whatever
// role it then takes. %1: the schema of table acronyms, quoted, so that the
// owner's functions never look anywhere else.
#define ORVEX_SERVER_UNDOES "nullif(current_setting('orvex.undoes', true), '')::bigint"
#define ORVEX_SERVER_TRIGGER_FUNCTION(name, body)                                                                      \
    "CREATE FUNCTION %1." name "() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER "                                 \
    "SET search_path = pg_catalog, pg_temp AS $$ BEGIN " body "; RETURN NULL; END $$",                                 \
        "REVOKE ALL ON FUNCTION %1." name "() FROM PUBLIC"
#define ORVEX_SERVER_HISTORY_INSERT                                                                                    \
    "INSERT INTO %1.acronyms_history (record, operation, acronym_before, definition_before, active_before, "           \
    "acronym_after, definition_after, active_after, undoes) "

inline constexpr const char *historySchema =
    "SELECT quote_ident(n.nspname) FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
    "WHERE c.oid = 'acronyms'::regclass";
// One statement each.
inline constexpr const char *createHistory[] = {
    "CREATE TABLE %1.acronyms_history (change bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY, "
    "record bigint NOT NULL, operation text NOT NULL, acronym_before text, definition_before text, "
    "active_before integer, acronym_after text, definition_after text, active_after integer, "
    "at timestamptz NOT NULL DEFAULT now(), who text DEFAULT session_user, undoes bigint)",
    ORVEX_SERVER_TRIGGER_FUNCTION(
        "acronyms_history_added", ORVEX_SERVER_HISTORY_INSERT
        "SELECT id, 'added', NULL, NULL, NULL, acronym, definition, active, " ORVEX_SERVER_UNDOES
        " FROM added ORDER BY id"),
    // A row given another id has left one place and taken another.
    // Appended: the acronym kept, the definition the old one, " - " and more.
    ORVEX_SERVER_TRIGGER_FUNCTION(
        "acronyms_history_changed",
        "IF NEW.id <> OLD.id THEN " ORVEX_SERVER_HISTORY_INSERT
        "VALUES (OLD.id, 'deleted', OLD.acronym, OLD.definition, OLD.active, NULL, NULL, NULL, " ORVEX_SERVER_UNDOES
        "); " ORVEX_SERVER_HISTORY_INSERT
        "VALUES (NEW.id, 'added', NULL, NULL, NULL, NEW.acronym, NEW.definition, NEW.active, " ORVEX_SERVER_UNDOES
        "); ELSE " ORVEX_SERVER_HISTORY_INSERT "VALUES (NEW.id, CASE WHEN NEW.acronym IS NOT DISTINCT FROM OLD.acronym "
        "AND NEW.active IS NOT DISTINCT FROM OLD.active "
        "AND length(NEW.definition) > length(coalesce(OLD.definition, '') || ' - ') "
        "AND starts_with(NEW.definition, coalesce(OLD.definition, '') || ' - ') "
        "THEN 'appended' ELSE 'replaced' END, OLD.acronym, OLD.definition, OLD.active, "
        "NEW.acronym, NEW.definition, NEW.active, " ORVEX_SERVER_UNDOES "); END IF"),
    ORVEX_SERVER_TRIGGER_FUNCTION("acronyms_history_deleted", ORVEX_SERVER_HISTORY_INSERT
                                  "VALUES (OLD.id, 'deleted', OLD.acronym, OLD.definition, OLD.active, NULL, NULL, "
                                  "NULL, " ORVEX_SERVER_UNDOES ")"),
    "CREATE TRIGGER acronyms_history_added AFTER INSERT ON %1.acronyms REFERENCING NEW TABLE AS added "
    "FOR EACH STATEMENT EXECUTE FUNCTION %1.acronyms_history_added()",
    // A write that changes nothing is no change.
    "CREATE TRIGGER acronyms_history_changed AFTER UPDATE ON %1.acronyms FOR EACH ROW "
    "WHEN (OLD.* IS DISTINCT FROM NEW.*) EXECUTE FUNCTION %1.acronyms_history_changed()",
    "CREATE TRIGGER acronyms_history_deleted AFTER DELETE ON %1.acronyms FOR EACH ROW "
    "EXECUTE FUNCTION %1.acronyms_history_deleted()",
};
inline constexpr const char *keepsHistory = "SELECT to_regclass('acronyms_history') IS NOT NULL";
// A copy is no change: the source's history comes as it stands.
inline constexpr const char *quietHistory =
    "ALTER TABLE acronyms DISABLE TRIGGER acronyms_history_added, DISABLE TRIGGER acronyms_history_changed, "
    "DISABLE TRIGGER acronyms_history_deleted";
inline constexpr const char *resumeHistory =
    "ALTER TABLE acronyms ENABLE TRIGGER acronyms_history_added, ENABLE TRIGGER acronyms_history_changed, "
    "ENABLE TRIGGER acronyms_history_deleted";
inline constexpr const char *anyChange = "SELECT EXISTS (SELECT 1 FROM acronyms_history)";
inline constexpr const char *changesFromHere =
    "SELECT setval(pg_get_serial_sequence('acronyms_history', 'change'), max(change)) FROM acronyms_history "
    "HAVING count(*) > 0";
inline constexpr const char *copyChangesHead =
    "INSERT INTO acronyms_history (change, record, operation, acronym_before, definition_before, active_before, "
    "acronym_after, definition_after, active_after, at, who, undoes) OVERRIDING SYSTEM VALUE VALUES ";
inline constexpr const char *copiedChange = "(?::bigint, ?::bigint, ?, ?, ?, ?::integer, ?, ?, ?::integer, "
                                            "?::timestamp AT TIME ZONE 'UTC', ?, ?::bigint)";

#define ORVEX_SERVER_CHANGE                                                                                            \
    "change, record, operation, acronym_before, definition_before, active_before, acronym_after, "                     \
    "definition_after, active_after, to_char(at AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS.MS'), who, undoes"
// Newest first. $1 a key trimmed, $2 the earliest time (UTC), $3 who: each
// or no value.
inline constexpr const char *changes =
    "SELECT " ORVEX_SERVER_CHANGE " FROM acronyms_history WHERE ($1::text IS NULL OR btrim(acronym_before, ' ') = $1 "
    "OR btrim(acronym_after, ' ') = $1) AND ($2::timestamp IS NULL OR at >= $2::timestamp AT TIME ZONE 'UTC') "
    "AND ($3::text IS NULL OR who = $3) ORDER BY change DESC";
// Oldest first, a batch at a time: $1 the last change seen.
inline constexpr const char *changesAfter =
    "SELECT " ORVEX_SERVER_CHANGE " FROM acronyms_history WHERE change > $1 ORDER BY change LIMIT 5000";
// $1 a change's number.
inline constexpr const char *change = "SELECT " ORVEX_SERVER_CHANGE " FROM acronyms_history WHERE change = $1";
// $1 a record's id: it, locked until the undo commits.
inline constexpr const char *lockRecord = "SELECT EXISTS (SELECT 1 FROM acronyms WHERE id = $1 FOR UPDATE)";
// $1 a change's number, $2 its record: the changes of the record since.
inline constexpr const char *laterChanges =
    "SELECT change FROM acronyms_history WHERE change > $1 AND record = $2 ORDER BY change LIMIT 6";
// Whether the record holds what change $1 left, value for value.
inline constexpr const char *holdsAfter =
    "SELECT EXISTS (SELECT 1 FROM acronyms a JOIN acronyms_history h ON a.id = h.record WHERE h.change = $1 "
    "AND a.acronym IS NOT DISTINCT FROM h.acronym_after AND a.definition IS NOT DISTINCT FROM h.definition_after "
    "AND a.active IS NOT DISTINCT FROM h.active_after)";
// $1 a key, $2 an id: another record of the acronym.
inline constexpr const char *otherRecordOf =
    "SELECT id FROM acronyms WHERE left(btrim(acronym, ' '), 200) COLLATE \"C\" = left(btrim($1, ' '), 200) "
    "COLLATE \"C\" AND btrim(acronym, ' ') COLLATE \"C\" = btrim($1, ' ') COLLATE \"C\" AND id <> $2 "
    "ORDER BY id LIMIT 1";
// What the triggers record as the change an undo undid: $1.
inline constexpr const char *undoing = "SELECT set_config('orvex.undoes', $1, true)";
// Undoing change $1: its record back as it was before it.
inline constexpr const char *restoreBefore =
    "UPDATE acronyms SET acronym = h.acronym_before, definition = h.definition_before, active = h.active_before "
    "FROM acronyms_history h WHERE h.change = $1 AND acronyms.id = h.record";
inline constexpr const char *reinsertBefore =
    "INSERT INTO acronyms (id, acronym, definition, active) OVERRIDING SYSTEM VALUE "
    "SELECT record, acronym_before, definition_before, active_before FROM acronyms_history WHERE change = $1";
// Where its place is taken: a new one at the end.
inline constexpr const char *reinsertBeforeAtEnd =
    "INSERT INTO acronyms (acronym, definition, active) SELECT acronym_before, definition_before, active_before "
    "FROM acronyms_history WHERE change = $1 RETURNING id";
inline constexpr const char *removeRecord = "DELETE FROM acronyms WHERE id = $1";
// $1 a record: its newest change, an undo's own in the undo's transaction.
inline constexpr const char *newestChangeOf = "SELECT coalesce(max(change), 0) FROM acronyms_history WHERE record = $1";
// $1 days: how many went.
inline constexpr const char *prune = "WITH gone AS (DELETE FROM acronyms_history "
                                     "WHERE at < now() - make_interval(days => $1::integer) RETURNING 1) "
                                     "SELECT count(*) FROM gone";
inline constexpr const char *historyCount =
    "SELECT count(*), to_char(min(at) AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS.MS') FROM acronyms_history";
// Asks for no right to the table: a role that may not read it learns its size.
inline constexpr const char *historyBytes = "SELECT pg_total_relation_size('acronyms_history')";

#undef ORVEX_SERVER_CHANGE
#undef ORVEX_SERVER_HISTORY_INSERT
#undef ORVEX_SERVER_TRIGGER_FUNCTION
#undef ORVEX_SERVER_UNDOES

// Every column the program uses, read from no row: fails when one is missing.
inline constexpr const char *probe = "SELECT id, acronym, definition, active FROM acronyms WHERE false";

#undef ORVEX_SERVER_WRITTEN
#undef ORVEX_SERVER_TIMELINE
#undef ORVEX_SERVER_ENTRY

} // namespace store::serversql
