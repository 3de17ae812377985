#include "store/file/acronymindex.h"

#include "store/file/files.h"
#include "store/file/filesql.h"
#include "store/file/recordscan.h"
#include "store/text.h"

#include <QSet>

#include <sqlite3.h>

#include <mutex>

namespace store {

namespace {

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

} // namespace

bool tryToAddAcronymIndex(Database &db)
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

namespace {

bool storesUtf8(Database &db)
{
    // Answered from the schema the connection has read already: no file access.
    Statement encoding(db, filesql::encoding);
    return encoding.step() && encoding.utf8(0) == "UTF-8";
}

enum class Prepared { Ready, Missing, Unusable };

// Preparing is where SQLite tells a missing index ("no such index") from
// one it cannot use for this query ("no query solution"): an index of
// another definition under the same name is somebody else's, left alone.
Prepared prepareSeek(Database &db, std::optional<Statement> &seek)
{
    try {
        seek.emplace(db, kSeekAcronymSql);
        return Prepared::Ready;
    } catch (const Error &error) {
        if (error.code() != SQLITE_ERROR)
            throw;
        return error.engineMessage().startsWith(QLatin1String("no such index")) ? Prepared::Missing
                                                                                : Prepared::Unusable;
    }
}

} // namespace

const char *const kSeekAcronymSql = filesql::seek;

AcronymIndex acronymIndexState(Database &db)
{
    // In a UTF-16 file SQLite compares UTF-16 text while the scan compares
    // UTF-8; converting between the two is not one-to-one for broken text.
    if (!storesUtf8(db))
        return AcronymIndex::Unusable;
    std::optional<Statement> seek;
    switch (prepareSeek(db, seek)) {
    case Prepared::Ready:
        return AcronymIndex::Usable;
    case Prepared::Missing:
        return AcronymIndex::Missing;
    case Prepared::Unusable:
        break;
    }
    return AcronymIndex::Unusable;
}

void createAcronymIndex(Database &db)
{
    db.exec(filesql::createIndex);
}

void dropAcronymIndex(Database &db)
{
    if (acronymIndexState(db) == AcronymIndex::Usable)
        db.exec(filesql::dropIndex);
}

std::optional<qint64> seekAcronym(Database &db, const QString &key)
{
    Statement seek(db, kSeekAcronymSql);
    seek.bind(1, trimSpaces(key)); // as AcronymLookup::find binds it
    return seek.step() ? std::optional<qint64>(seek.integer(0)) : std::nullopt;
}

AcronymLookup::AcronymLookup(Database &db)
{
    if (Files::instance().lookupByIndex() && storesUtf8(db)) {
        switch (prepareSeek(db, m_statement)) {
        case Prepared::Ready:
            m_byIndex = true;
            break;
        case Prepared::Missing:
            m_byIndex = tryToAddAcronymIndex(db) && prepareSeek(db, m_statement) == Prepared::Ready;
            break;
        case Prepared::Unusable:
            break;
        }
    }
    // Preparing reads the schema: a file that is no database, a missing
    // table or a missing field is reported here, before any work.
    if (!m_byIndex)
        m_statement.emplace(db, kScanAcronymsSql);
}

Entry entryFromRow(const Statement &row, qsizetype longest)
{
    const std::string_view definition = row.utf8(2);
    bool whole = true;
    Entry entry{row.integer(0), row.text(1), fromStoredUtf8(definition, longest, whole)};
    if (!whole)
        entry.shortenedFrom = static_cast<qint64>(definition.size());
    return entry;
}

std::optional<Entry> AcronymLookup::find(const QString &key, qsizetype longest)
{
    Statement &statement = *m_statement;
    statement.reset();
    const QString trimmed = trimSpaces(key);
    bool found = false;
    if (m_byIndex) {
        // Bound as text: compared with trim()'s text result under BINARY,
        // with no affinity to turn either side into a number.
        statement.bind(1, trimmed);
        found = statement.step();
    } else {
        const QByteArray wanted = trimmed.toUtf8();
        found = scanTo(statement, std::string_view(wanted.constData(), static_cast<size_t>(wanted.size())));
    }
    std::optional<Entry> entry;
    if (found)
        entry = entryFromRow(statement, longest);
    statement.reset();
    return entry;
}

} // namespace store
