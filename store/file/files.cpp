#include "store/file/files.h"

#include "store/file/fileidentity.h"
#include "store/file/filesql.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace store {

namespace {

// The file's schema version, as the file has it now; -1 when it cannot be read.
qint64 schemaVersion(sqlite3 *db) noexcept
{
    sqlite3_stmt *statement = nullptr;
    qint64 version = -1;
    if (sqlite3_prepare_v2(db, filesql::schemaVersion, -1, &statement, nullptr) == SQLITE_OK
        && sqlite3_step(statement) == SQLITE_ROW)
        version = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return version;
}

// The connections of dictionaries closed in the last moments. The windows
// open the file for every Find; opening it again costs reading and parsing
// its schema (the history's triggers too), several times what the lookup
// itself costs. A connection kept holds no lock and few cached pages: it is
// idle, and closed after a short while unused, so that a file is not held
// open for long.
class KeptConnections
{
public:
    // Never destroyed: at the end of the process the kept connections,
    // idle and holding no lock, end with it, and the closer needs no
    // stopping while other statics go.
    static KeptConnections &instance()
    {
        static KeptConnections *const kept = new KeptConnections;
        return *kept;
    }

    // The connection kept for path, opened read-only or not, when the file is still
    // the one it was opened on; null otherwise.
    sqlite3 *take(const QString &path, bool readOnly)
    {
        if (!inOwnProcess())
            return nullptr;
        Kept found;
        {
            const std::lock_guard lock(m_mutex);
            for (auto it = m_kept.begin(); it != m_kept.end(); ++it) {
                if (it->readOnly == readOnly && it->path == path) {
                    found = *it;
                    m_kept.erase(it);
                    break;
                }
            }
        }
        if (!found.db)
            return nullptr;
        // The path names the file the connection holds when it names the
        // file it named when kept. Another program may have changed the
        // schema meanwhile (an index made or dropped), which parts of the
        // store read without a transaction that would notice.
        const std::optional<FileIdentity> now = identityOf(path);
        if (!now || !(*now == found.identity) || schemaVersion(found.db) != found.schema) {
            sqlite3_close_v2(found.db);
            return nullptr;
        }
        return found.db;
    }

    bool keep(const QString &path, bool readOnly, sqlite3 *db) noexcept
    {
        if (!inOwnProcess())
            return false;
        try {
            // None for a file moved or removed while it was open: its path
            // names another file now, whose identity must never vouch for
            // this connection.
            const std::optional<FileIdentity> identity = identityOfOpen(db, path);
            const qint64 schema = schemaVersion(db);
            if (!identity || schema < 0)
                return false;
            // Kept for its parsed schema, not for many pages: past a few,
            // they go back, so that the memory of a program that looks up
            // often does not grow with the dictionary (the system's cache
            // keeps them at hand anyway).
            int cached = 0;
            int highest = 0;
            if (sqlite3_db_status(db, SQLITE_DBSTATUS_CACHE_USED, &cached, &highest, 0) != SQLITE_OK
                || cached > kMostCachedBytes)
                sqlite3_db_release_memory(db);
            sqlite3 *oldest = nullptr;
            {
                const std::lock_guard lock(m_mutex);
                if (m_kept.size() >= kMost) {
                    oldest = m_kept.front().db;
                    m_kept.erase(m_kept.begin());
                }
                m_lastKept = Clock::now();
                m_kept.push_back({path, readOnly, *identity, schema, db, m_lastKept});
                if (!m_closer.joinable())
                    m_closer = std::thread([this] { closeWhenIdle(); });
                // Woken only from a wait without end: otherwise it wakes at
                // its time anyway, and waking it at every close would cost
                // each Find a thread switch or two.
                else if (m_closerWaitsForever)
                    m_wake.notify_one();
            }
            if (oldest)
                sqlite3_close_v2(oldest);
            return true;
        } catch (...) {
            return false;
        }
    }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kMost = 4;
    static constexpr int kMostCachedBytes = 256 * 1024;
    static constexpr std::chrono::seconds kIdle{2};

    struct Kept
    {
        QString path;
        bool readOnly = false;
        FileIdentity identity;
        qint64 schema = -1;
        sqlite3 *db = nullptr;
        Clock::time_point since;
    };

    void closeWhenIdle()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            if (m_kept.empty()) {
                // Between a take and the close that gives it back, a busy
                // program's list is empty for moments: only one idle for a
                // while is waited on without end.
                if (Clock::now() < m_lastKept + kIdle) {
                    m_wake.wait_until(lock, m_lastKept + kIdle);
                    continue;
                }
                m_closerWaitsForever = true;
                m_wake.wait(lock);
                m_closerWaitsForever = false;
                continue;
            }
            const Clock::time_point due = m_kept.front().since + kIdle;
            if (Clock::now() < due) {
                m_wake.wait_until(lock, due);
                continue;
            }
            sqlite3 *db = m_kept.front().db;
            m_kept.erase(m_kept.begin());
            lock.unlock();
            sqlite3_close_v2(db);
            lock.lock();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<Kept> m_kept; // the oldest first
    std::thread m_closer;
    Clock::time_point m_lastKept;
    bool m_closerWaitsForever = false;
    // A connection must not cross a fork (SQLite's rule): a child process
    // neither takes what its parent kept nor keeps its own.
    bool inOwnProcess() const { return QCoreApplication::applicationPid() == m_process; }

    const qint64 m_process = QCoreApplication::applicationPid();
};

// Kept by how the run opens files, which a test may change.
template<bool readOnly>
bool keepConnection(const QString &path, sqlite3 *db) noexcept
{
    return KeptConnections::instance().keep(path, readOnly, db);
}

} // namespace

Files::Files()
{
    // Every operation opens and closes its own connection: skip the memory
    // statistics nobody reads, and keep each connection's lookaside small.
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    sqlite3_config(SQLITE_CONFIG_LOOKASIDE, 128, 32);
    sqlite3_initialize();
    // A connection kept after a close must not keep the user from moving
    // or removing the file.
    letOthersMoveOpenFiles();
}

Files &Files::instance()
{
    static Files files;
    return files;
}

Database Files::open(const QString &path) const
{
    // Only connections through the system's own files are kept: a test's
    // fault-injecting VFS sees every open.
    const bool keep = m_vfs.isEmpty();
    if (keep) {
        if (sqlite3 *kept = KeptConnections::instance().take(path, m_readOnly)) {
            Database db = Database::adopt(path, kept, m_busyTimeoutMs);
            db.keepWhenClosed(m_readOnly ? keepConnection<true> : keepConnection<false>);
            return db;
        }
    }
    Database db(path, m_readOnly ? Database::Open::ReadOnly : Database::Open::ExistingOnly, m_busyTimeoutMs,
                m_vfs.isEmpty() ? nullptr : m_vfs.constData());
    if (keep)
        db.keepWhenClosed(m_readOnly ? keepConnection<true> : keepConnection<false>);
    // A program that only reads (orvex-web) reads the file through the
    // system's page cache directly, without a system call for each page a
    // lookup visits. Another program's changes reach the mapping as they
    // reach the cache, and SQLite maps the file again when it has grown or
    // shrunk.
    if (m_readOnly)
        db.exec(filesql::mapForReading);
    return db;
}

Database Files::createNew(const QString &path) const
{
    // NewOnly creates the file atomically, so two tools racing for the same
    // name cannot both believe they made it.
    QFile file(path);
    if (!file.open(QIODevice::NewOnly | QIODevice::WriteOnly)) {
        const bool exists = QFileInfo::exists(path);
        if (exists)
            throw Error(Error::Kind::Exists, path, QStringLiteral("the file already exists"), SQLITE_CANTOPEN);
        throw sqliteError(SQLITE_CANTOPEN, path, file.errorString());
    }
    file.close();
    return Database(path, Database::Open::ExistingOnly, m_busyTimeoutMs, m_vfs.isEmpty() ? nullptr : m_vfs.constData());
}

} // namespace store
