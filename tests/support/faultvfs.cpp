#include "support/faultvfs.h"

#include "store/file/files.h"

#include <sqlite3.h>

#include <atomic>
#include <cstring>

namespace testing_support {

namespace {

constexpr const char *kName = "orvex-faults";

std::atomic<bool> g_readOnly{false};
std::atomic<bool> g_refuseJournal{false};
std::atomic<qint64> g_bytesLeft{-1};

sqlite3_vfs *g_base = nullptr;

// Our file: the base class first, then the wrapped file of the system VFS.
struct FaultFile
{
    sqlite3_file base;
    sqlite3_file *real;
};

sqlite3_file *real(sqlite3_file *file)
{
    return reinterpret_cast<FaultFile *>(file)->real;
}

int xClose(sqlite3_file *f)
{
    const int rc = real(f)->pMethods ? real(f)->pMethods->xClose(real(f)) : SQLITE_OK;
    sqlite3_free(real(f));
    return rc;
}
int xRead(sqlite3_file *f, void *buffer, int amount, sqlite3_int64 offset)
{
    return real(f)->pMethods->xRead(real(f), buffer, amount, offset);
}
int xWrite(sqlite3_file *f, const void *buffer, int amount, sqlite3_int64 offset)
{
    qint64 left = g_bytesLeft.load();
    if (left >= 0) {
        if (left < amount)
            return SQLITE_FULL;
        g_bytesLeft.store(left - amount);
    }
    return real(f)->pMethods->xWrite(real(f), buffer, amount, offset);
}
int xTruncate(sqlite3_file *f, sqlite3_int64 size)
{
    return real(f)->pMethods->xTruncate(real(f), size);
}
int xSync(sqlite3_file *f, int flags)
{
    return real(f)->pMethods->xSync(real(f), flags);
}
int xFileSize(sqlite3_file *f, sqlite3_int64 *size)
{
    return real(f)->pMethods->xFileSize(real(f), size);
}
int xLock(sqlite3_file *f, int level)
{
    return real(f)->pMethods->xLock(real(f), level);
}
int xUnlock(sqlite3_file *f, int level)
{
    return real(f)->pMethods->xUnlock(real(f), level);
}
int xCheckReservedLock(sqlite3_file *f, int *out)
{
    return real(f)->pMethods->xCheckReservedLock(real(f), out);
}
int xFileControl(sqlite3_file *f, int op, void *arg)
{
    return real(f)->pMethods->xFileControl(real(f), op, arg);
}
int xSectorSize(sqlite3_file *f)
{
    return real(f)->pMethods->xSectorSize(real(f));
}
int xDeviceCharacteristics(sqlite3_file *f)
{
    return real(f)->pMethods->xDeviceCharacteristics(real(f));
}

// Version 1: no shared memory and no memory mapping, which the rollback
// journal the dictionary uses does not need.
const sqlite3_io_methods kMethods = {
    1,
    xClose,
    xRead,
    xWrite,
    xTruncate,
    xSync,
    xFileSize,
    xLock,
    xUnlock,
    xCheckReservedLock,
    xFileControl,
    xSectorSize,
    xDeviceCharacteristics,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

int xOpen(sqlite3_vfs *, sqlite3_filename name, sqlite3_file *file, int flags, int *outFlags)
{
    auto *ours = reinterpret_cast<FaultFile *>(file);
    ours->base.pMethods = nullptr;
    if ((flags & SQLITE_OPEN_MAIN_JOURNAL) && g_refuseJournal.load())
        return SQLITE_CANTOPEN;
    if ((flags & SQLITE_OPEN_MAIN_DB) && g_readOnly.load()) {
        flags &= ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        flags |= SQLITE_OPEN_READONLY;
    }
    ours->real = static_cast<sqlite3_file *>(sqlite3_malloc(g_base->szOsFile));
    if (!ours->real)
        return SQLITE_NOMEM;
    std::memset(ours->real, 0, static_cast<size_t>(g_base->szOsFile));
    const int rc = g_base->xOpen(g_base, name, ours->real, flags, outFlags);
    if (rc != SQLITE_OK) {
        if (ours->real->pMethods)
            ours->real->pMethods->xClose(ours->real);
        sqlite3_free(ours->real);
        return rc;
    }
    ours->base.pMethods = &kMethods;
    return SQLITE_OK;
}

sqlite3_vfs *faultVfs()
{
    static sqlite3_vfs vfs = [] {
        g_base = sqlite3_vfs_find(nullptr);
        sqlite3_vfs copy = *g_base;
        copy.iVersion = 1;
        copy.szOsFile = sizeof(FaultFile);
        copy.zName = kName;
        copy.pNext = nullptr;
        copy.xOpen = xOpen;
        // Everything else (delete, access, full pathname, randomness, time)
        // is the system VFS's own; it gets its own pointer as the VFS.
        copy.xDelete = [](sqlite3_vfs *, const char *n, int sync) { return g_base->xDelete(g_base, n, sync); };
        copy.xAccess = [](sqlite3_vfs *, const char *n, int flags, int *out) {
            return g_base->xAccess(g_base, n, flags, out);
        };
        copy.xFullPathname = [](sqlite3_vfs *, const char *n, int size, char *out) {
            return g_base->xFullPathname(g_base, n, size, out);
        };
        copy.xDlOpen = nullptr;
        copy.xDlError = nullptr;
        copy.xDlSym = nullptr;
        copy.xDlClose = nullptr;
        copy.xRandomness = [](sqlite3_vfs *, int n, char *out) { return g_base->xRandomness(g_base, n, out); };
        copy.xSleep = [](sqlite3_vfs *, int us) { return g_base->xSleep(g_base, us); };
        copy.xCurrentTime = [](sqlite3_vfs *, double *out) { return g_base->xCurrentTime(g_base, out); };
        copy.xGetLastError = [](sqlite3_vfs *, int n, char *out) { return g_base->xGetLastError(g_base, n, out); };
        copy.xCurrentTimeInt64 = nullptr;
        return copy;
    }();
    static const bool registered = sqlite3_vfs_register(&vfs, 0) == SQLITE_OK;
    (void)registered;
    return &vfs;
}

} // namespace

FaultVfs::FaultVfs()
{
    faultVfs();
    store::Files::instance().setVfs(kName);
}

FaultVfs::~FaultVfs()
{
    g_readOnly = false;
    g_refuseJournal = false;
    g_bytesLeft = -1;
    store::Files::instance().setVfs({});
}

void FaultVfs::setReadOnlyFiles(bool on)
{
    g_readOnly = on;
}

void FaultVfs::setJournalRefused(bool on)
{
    g_refuseJournal = on;
}

void FaultVfs::setBytesUntilFull(qint64 bytes)
{
    g_bytesLeft = bytes;
}

} // namespace testing_support
