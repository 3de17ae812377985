#pragma once

#include <QString>

#include <optional>

struct sqlite3;

namespace store {

// What tells a file from another put in its place, and a file whose rights
// changed: a connection kept open is used again only for the same file with
// the same rights. What the fields hold is the system's own.
struct FileIdentity
{
    quint64 device = 0;
    quint64 inode = 0;
    quint64 mode = 0;
    quint64 owner = 0;
    quint64 group = 0;
    bool operator==(const FileIdentity &other) const
    {
        return device == other.device && inode == other.inode && mode == other.mode && owner == other.owner
               && group == other.group;
    }
};

// The file at path now; none when there is none or it cannot be told.
std::optional<FileIdentity> identityOf(const QString &path);

// The file at path when it is the one the connection has open; none when
// that file was moved or removed since, so that the path names another file
// or none.
std::optional<FileIdentity> identityOfOpen(sqlite3 *db, const QString &path);

// Whether the file a connection has open was moved or removed since.
bool fileHasMoved(sqlite3 *db) noexcept;

// Other programs may rename, move and remove a dictionary that a connection
// of this process has open, as the system lets them elsewhere. Called before
// the first file is opened.
void letOthersMoveOpenFiles() noexcept;

} // namespace store
