#pragma once

// A thin RAII layer over the SQLite C library. Every failure surfaces as
// store::Error, raised from one place (check); destructors never throw and
// always release what they hold. <sqlite3.h> stays inside the .cpp files.

#include "store/error.h"

#include <QString>
#include <QtGlobal>

#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace store {

// The store's error for an SQLite result code: its kind, told apart by what
// the engine said and, for a file it could not open, by the file itself.
Error sqliteError(int code, const QString &path, const QString &engineMessage);

// How many statements have been prepared in this process; tests count the
// statements an operation needs with it.
long preparedStatements();

class Database
{
public:
    enum class Open { ExistingOnly, CreateNew, ReadOnly };

    // vfs names the SQLite VFS to open through; null for the default one.
    Database(const QString &path, Open how, int busyTimeoutMs, const char *vfs = nullptr);
    ~Database() noexcept;

    Database(Database &&other) noexcept;
    Database &operator=(Database &&other) noexcept;
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    const QString &path() const { return m_path; }
    bool isOpen() const { return m_db != nullptr; }
    bool isReadOnly() const;
    // Whether the file opened has been renamed or removed since: its path
    // then names another file, or none. Never on Windows, where an open
    // file cannot be.
    bool hasMoved() const noexcept;
    int busyTimeoutMs() const { return m_busyTimeoutMs; }
    void setBusyTimeoutMs(int ms);

    void exec(const char *sql);
    qint64 lastInsertRowid() const;
    int changes() const;

    // Throws Error for any rc that is not a success code.
    void check(int rc) const;

    void close() noexcept;
    sqlite3 *handle() const { return m_db; }

    // Called on close with a connection that is idle (no transaction, no
    // statement): true when it takes the connection over, false to have it
    // closed. Lets a closed dictionary's connection be used again.
    using Keeper = bool (*)(const QString &path, sqlite3 *db) noexcept;
    void keepWhenClosed(Keeper keeper) { m_keeper = keeper; }
    // A connection a Keeper kept, owned again.
    static Database adopt(const QString &path, sqlite3 *db, int busyTimeoutMs);

private:
    Database() = default;

    QString m_path;
    sqlite3 *m_db = nullptr;
    int m_busyTimeoutMs = 0;
    Keeper m_keeper = nullptr;
};

class Statement
{
public:
    Statement(Database &db, const char *sql);
    ~Statement() noexcept;

    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    void bind(int index, const QString &text);
    // Text already in UTF-8, bound without a detour through QString.
    void bindUtf8(int index, std::string_view utf8);
    void bind(int index, qint64 value);

    // One step: true while a row is available, false when done.
    bool step();
    // Runs a statement that returns no rows.
    void run();
    void reset();

    bool isNull(int column) const;
    QString text(int column) const;
    // The column's UTF-8 bytes; valid until the next step or reset.
    std::string_view utf8(int column) const;
    qint64 integer(int column) const;

private:
    Database &m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

// Rolls back unless committed; BEGIN IMMEDIATE takes the write lock up front
// so that a check made inside it still holds when the write follows.
class Transaction
{
public:
    explicit Transaction(Database &db);
    ~Transaction() noexcept;
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void commit();

private:
    Database &m_db;
    bool m_done = false;
};

} // namespace store
