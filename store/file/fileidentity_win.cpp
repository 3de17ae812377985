#include "store/file/fileidentity.h"

#include <sqlite3.h>
#include <windows.h>

namespace store {

namespace {

// The volume and the file's number on it, which a rename keeps and another
// file never shares; and the read-only attribute, Windows' plain rights.
std::optional<FileIdentity> identityOf(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info) || info.dwVolumeSerialNumber == 0)
        return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
                        info.dwFileAttributes & FILE_ATTRIBUTE_READONLY, 0, 0};
}

// SQLite opens files sharing reading and writing but not deleting, so that
// while a connection has the dictionary open, renaming, moving or removing
// it fails in every other program. The file a connection has open then
// behaves as it does elsewhere, which fileHasMoved tells.
HANDLE WINAPI createSharingDelete(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                  DWORD disposition, DWORD flags, HANDLE model)
{
    // No sharing at all is asked only for SQLite's own temporary files.
    if (share != 0)
        share |= FILE_SHARE_DELETE;
    return CreateFileW(name, access, share, security, disposition, flags, model);
}

// The connection's main file; none before it has one.
HANDLE handleOf(sqlite3 *db) noexcept
{
    HANDLE open = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_WIN32_GET_HANDLE, &open) != SQLITE_OK)
        return nullptr;
    return open;
}

} // namespace

std::optional<FileIdentity> identityOf(const QString &path)
{
    // No access asked: only the file's information is read, whoever has it open.
    const HANDLE file =
        CreateFileW(reinterpret_cast<LPCWSTR>(path.utf16()), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    const std::optional<FileIdentity> identity = identityOf(file);
    CloseHandle(file);
    return identity;
}

// SQLite's Windows files cannot tell this themselves: the file open is
// compared with the one at its path.
std::optional<FileIdentity> identityOfOpen(sqlite3 *db, const QString &path)
{
    const HANDLE open = handleOf(db);
    if (!open)
        return std::nullopt;
    const std::optional<FileIdentity> held = identityOf(open);
    const std::optional<FileIdentity> atPath = identityOf(path);
    if (!held || !atPath || held->device != atPath->device || held->inode != atPath->inode)
        return std::nullopt;
    return atPath;
}

bool fileHasMoved(sqlite3 *db) noexcept
{
    if (!handleOf(db))
        return false;
    try {
        return !identityOfOpen(db, QString::fromUtf8(sqlite3_db_filename(db, "main")));
    } catch (...) {
        return true;
    }
}

void letOthersMoveOpenFiles() noexcept
{
    if (sqlite3_vfs *vfs = sqlite3_vfs_find(nullptr); vfs && vfs->iVersion >= 3 && vfs->xSetSystemCall)
        vfs->xSetSystemCall(vfs, "CreateFileW", reinterpret_cast<sqlite3_syscall_ptr>(&createSharingDelete));
}

} // namespace store
