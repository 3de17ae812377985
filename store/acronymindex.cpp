#include "store/acronymindex.h"

#include "store/engine.h"
#include "store/recordscan.h"
#include "store/text.h"

#include <QSet>

#include <sqlite3.h>

#include <mutex>

namespace store {

namespace {

// How SQLite records the index in sqlite_master; an index of this name with
// any other definition is somebody else's and is left alone.
const char *const kIndexDefinition = "CREATE INDEX AcronymsTrimmed ON Acronyms (trim(Acronym, ' '))";
const char *const kCreateIndexSql =
    "CREATE INDEX IF NOT EXISTS AcronymsTrimmed ON Acronyms (trim(Acronym, ' '))";

// Files that refused the index during this run (read-only folder, a table
// that cannot be indexed): they are not asked again.
class RefusedFiles
{
public:
    bool contains(const QString &path)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_paths.contains(path);
    }
    void insert(const QString &path)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_paths.insert(path);
    }

private:
    std::mutex m_mutex;
    QSet<QString> m_paths;
};

RefusedFiles &refusedFiles()
{
    static RefusedFiles files;
    return files;
}

bool tryToAddIndex(Database &db)
{
    if (db.isReadOnly() || refusedFiles().contains(db.path()))
        return false;
    // A lookup never waits for another program's write only to get faster:
    // it scans this time and tries again next time.
    const int timeout = db.busyTimeoutMs();
    db.setBusyTimeoutMs(0);
    bool added = true;
    try {
        createAcronymIndex(db);
    } catch (const Error &error) {
        added = false;
        if (error.code() != SQLITE_BUSY && error.code() != SQLITE_LOCKED)
            refusedFiles().insert(db.path());
    }
    db.setBusyTimeoutMs(timeout);
    return added;
}

} // namespace

// INDEXED BY makes the plan certain: statistics another tool stored in the
// file cannot turn this into a walk through the table.
const char *const kSeekAcronymSql =
    "SELECT rowid FROM Acronyms INDEXED BY AcronymsTrimmed "
    "WHERE trim(Acronym, ' ') = ?1 ORDER BY rowid LIMIT 1";

AcronymIndex acronymIndexState(Database &db)
{
    Statement state(db, "SELECT (SELECT encoding FROM pragma_encoding), "
                        "(SELECT sql FROM sqlite_master WHERE type = 'index' "
                        "AND name = 'AcronymsTrimmed' COLLATE NOCASE)");
    state.step();
    // In a UTF-16 file SQLite compares UTF-16 bytes while the scan compares
    // UTF-8 ones; converting between the two is not one-to-one for broken text.
    if (state.utf8(0) != "UTF-8")
        return AcronymIndex::Unusable;
    if (state.isNull(1))
        return AcronymIndex::Missing;
    return state.utf8(1) == kIndexDefinition ? AcronymIndex::Usable : AcronymIndex::Unusable;
}

void createAcronymIndex(Database &db)
{
    db.exec(kCreateIndexSql);
}

std::optional<qint64> seekAcronym(Database &db, const QString &key)
{
    Statement seek(db, kSeekAcronymSql);
    // Bound as text: compared with trim()'s text result under BINARY, with
    // no affinity to turn either side into a number.
    seek.bind(1, trimSpaces(key));
    if (seek.step())
        return seek.integer(0);
    return std::nullopt;
}

std::optional<qint64> findFirstAcronym(Database &db, const QString &key)
{
    if (!Engine::instance().lookupByIndex())
        return scanForAcronym(db, key);
    switch (acronymIndexState(db)) {
    case AcronymIndex::Usable:
        return seekAcronym(db, key);
    case AcronymIndex::Missing:
        if (tryToAddIndex(db))
            return seekAcronym(db, key);
        break;
    case AcronymIndex::Unusable:
        break;
    }
    return scanForAcronym(db, key);
}

} // namespace store
