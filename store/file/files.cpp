#include "store/file/files.h"

#include "store/file/filesql.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace store {

Files::Files()
{
    // Every operation opens and closes its own connection: skip the memory
    // statistics nobody reads, and keep each connection's lookaside small.
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    sqlite3_config(SQLITE_CONFIG_LOOKASIDE, 128, 32);
    sqlite3_initialize();
}

Files &Files::instance()
{
    static Files files;
    return files;
}

Database Files::open(const QString &path) const
{
    Database db(path, m_readOnly ? Database::Open::ReadOnly : Database::Open::ExistingOnly, m_busyTimeoutMs,
                m_vfs.isEmpty() ? nullptr : m_vfs.constData());
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
