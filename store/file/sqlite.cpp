#include "store/file/sqlite.h"

#include "store/commits.h"
#include "store/file/fileidentity.h"
#include "store/text.h"

#include <QFileInfo>

#include <sqlite3.h>

#include <atomic>
#include <utility>

namespace store {

namespace {

std::atomic<long> g_prepared{0};

Error::Kind kindOfCantOpen(const QString &path)
{
    // The engine gives one code for every file it could not open, the
    // journal beside a dictionary included.
    const QFileInfo file(path);
    if (!file.exists())
        return Error::Kind::Missing;
    if (file.isDir())
        return Error::Kind::Folder;
    if (!file.isReadable())
        return Error::Kind::NoPermission;
    return Error::Kind::ReadOnlyFolder;
}

// The file as it stands now, for a dictionary that was open while it was
// removed or replaced (a box waited meanwhile).
Error::Kind kindOfMoved(const QString &path)
{
    const QFileInfo file(path);
    if (!file.exists())
        return Error::Kind::Missing;
    if (file.isDir())
        return Error::Kind::Folder;
    return Error::Kind::Replaced;
}

// A journal left beside the file by a program interrupted in a change: it
// must be rolled back before anything can be read, which takes write access.
bool hasHotJournal(const QString &path)
{
    return QFileInfo(path + QStringLiteral("-journal")).size() > 0;
}

Error::Kind kindOf(int code, const QString &path, const QString &engineMessage)
{
    if (code == SQLITE_READONLY_DBMOVED)
        return kindOfMoved(path);
    if (code == SQLITE_READONLY_ROLLBACK)
        return Error::Kind::Unfinished;
    if (((code & 0xff) == SQLITE_IOERR || (code & 0xff) == SQLITE_READONLY) && hasHotJournal(path))
        return Error::Kind::Unfinished;
    switch (code & 0xff) {
    case SQLITE_CANTOPEN: {
        const Error::Kind kind = kindOfCantOpen(path);
        return kind == Error::Kind::ReadOnlyFolder && hasHotJournal(path) ? Error::Kind::Unfinished : kind;
    }
    case SQLITE_NOTADB:
        return Error::Kind::NotADictionary;
    case SQLITE_CORRUPT:
        return Error::Kind::Damaged;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Error::Kind::Busy;
    case SQLITE_READONLY:
        return Error::Kind::ReadOnly;
    case SQLITE_FULL:
        return Error::Kind::Full;
    case SQLITE_IOERR:
        return Error::Kind::Io;
    case SQLITE_TOOBIG:
        return Error::Kind::TooBig;
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return Error::Kind::NoPermission;
    case SQLITE_ERROR:
        if (engineMessage.startsWith(QLatin1String("no such table")))
            return Error::Kind::NoTable;
        if (engineMessage.startsWith(QLatin1String("no such column"))
            || engineMessage.contains(QLatin1String("has no column")))
            return Error::Kind::NoField;
        break;
    default:
        break;
    }
    return Error::Kind::Other;
}

} // namespace

Error sqliteError(int code, const QString &path, const QString &engineMessage)
{
    const QString message = engineMessage.isEmpty() ? QString::fromUtf8(sqlite3_errstr(code)) : engineMessage;
    return Error(kindOf(code, path, message), path, message, code);
}

long preparedStatements()
{
    return g_prepared.load(std::memory_order_relaxed);
}

Database::Database(const QString &path, Open how, int busyTimeoutMs, const char *vfs)
    : m_path(path)
{
    int flags = (how == Open::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    if (how == Open::CreateNew)
        flags |= SQLITE_OPEN_CREATE;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags, vfs);
    if (rc != SQLITE_OK) {
        const QString message = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(rc));
        close();
        throw sqliteError(rc, m_path, message);
    }
    sqlite3_extended_result_codes(m_db, 1);
    setBusyTimeoutMs(busyTimeoutMs);
}

Database::~Database() noexcept
{
    close();
}

Database::Database(Database &&other) noexcept
    : m_path(std::move(other.m_path))
    , m_db(std::exchange(other.m_db, nullptr))
    , m_busyTimeoutMs(other.m_busyTimeoutMs)
    , m_keeper(other.m_keeper)
{}

Database &Database::operator=(Database &&other) noexcept
{
    if (this != &other) {
        close();
        m_path = std::move(other.m_path);
        m_db = std::exchange(other.m_db, nullptr);
        m_busyTimeoutMs = other.m_busyTimeoutMs;
        m_keeper = other.m_keeper;
    }
    return *this;
}

bool Database::hasMoved() const noexcept
{
    return m_db && fileHasMoved(m_db);
}

Database Database::adopt(const QString &path, sqlite3 *db, int busyTimeoutMs)
{
    Database adopted;
    adopted.m_path = path;
    adopted.m_db = db;
    adopted.setBusyTimeoutMs(busyTimeoutMs);
    return adopted;
}

void Database::close() noexcept
{
    if (!m_db)
        return;
    sqlite3 *db = std::exchange(m_db, nullptr);
    if (m_keeper && sqlite3_get_autocommit(db) && !sqlite3_next_stmt(db, nullptr) && m_keeper(m_path, db))
        return;
    // close_v2 defers the real close until the last statement is finalized,
    // so a statement that outlives us cannot keep a dangling handle.
    sqlite3_close_v2(db);
}

bool Database::isReadOnly() const
{
    return m_db && sqlite3_db_readonly(m_db, "main") == 1;
}

void Database::setBusyTimeoutMs(int ms)
{
    sqlite3_busy_timeout(m_db, ms);
    m_busyTimeoutMs = ms;
}

void Database::exec(const char *sql)
{
    check(sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr));
}

qint64 Database::lastInsertRowid() const
{
    return sqlite3_last_insert_rowid(m_db);
}

int Database::changes() const
{
    return sqlite3_changes(m_db);
}

void Database::check(int rc) const
{
    const int primary = rc & 0xff;
    if (primary == SQLITE_OK || primary == SQLITE_ROW || primary == SQLITE_DONE)
        return;
    if (!m_db)
        throw sqliteError(rc, m_path, QStringLiteral("the database is closed"));
    throw sqliteError(rc, m_path, QString::fromUtf8(sqlite3_errmsg(m_db)));
}

Statement::Statement(Database &db, const char *sql)
    : m_db(db)
{
    if (!db.isOpen())
        db.check(SQLITE_MISUSE);
    g_prepared.fetch_add(1, std::memory_order_relaxed);
    db.check(sqlite3_prepare_v2(db.handle(), sql, -1, &m_stmt, nullptr));
}

Statement::~Statement() noexcept
{
    sqlite3_finalize(m_stmt);
}

void Statement::bind(int index, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    m_db.check(sqlite3_bind_text64(m_stmt, index, utf8.constData(), static_cast<sqlite3_uint64>(utf8.size()),
                                   SQLITE_TRANSIENT, SQLITE_UTF8));
}

void Statement::bindUtf8(int index, std::string_view utf8)
{
    m_db.check(sqlite3_bind_text64(m_stmt, index, utf8.data(), static_cast<sqlite3_uint64>(utf8.size()),
                                   SQLITE_TRANSIENT, SQLITE_UTF8));
}

void Statement::bind(int index, qint64 value)
{
    m_db.check(sqlite3_bind_int64(m_stmt, index, value));
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    // The statement's own error is the precise one; reset returns it too.
    sqlite3_reset(m_stmt);
    m_db.check(rc);
    return false;
}

void Statement::run()
{
    while (step()) {}
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

std::string_view Statement::utf8(int column) const
{
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    const int size = sqlite3_column_bytes(m_stmt, column);
    return data ? std::string_view(data, static_cast<size_t>(size)) : std::string_view();
}

QString Statement::text(int column) const
{
    const std::string_view bytes = utf8(column);
    return fromStoredUtf8(bytes);
}

qint64 Statement::integer(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

Transaction::Transaction(Database &db)
    : m_db(db)
{
    m_db.exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction() noexcept
{
    if (!m_done && m_db.isOpen())
        sqlite3_exec(m_db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit()
{
    const CommitUnderWay committing;
    m_db.exec("COMMIT");
    m_done = true;
}

} // namespace store
