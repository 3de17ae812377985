#include "store/file/fileidentity.h"

#include <QFile>

#include <sqlite3.h>
#include <sys/stat.h>

namespace store {

std::optional<FileIdentity> identityOf(const QString &path)
{
    struct stat status
    {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return FileIdentity{quint64(status.st_dev), quint64(status.st_ino), quint64(status.st_mode), quint64(status.st_uid),
                        quint64(status.st_gid)};
}

bool fileHasMoved(sqlite3 *db) noexcept
{
    int moved = 0;
    return sqlite3_file_control(db, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved != 0;
}

std::optional<FileIdentity> identityOfOpen(sqlite3 *db, const QString &path)
{
    if (fileHasMoved(db))
        return std::nullopt;
    return identityOf(path);
}

void letOthersMoveOpenFiles() noexcept {}

} // namespace store
