#pragma once

#include <QtGlobal>

namespace testing_support {

// A SQLite VFS over the system's own that can make the faults a real disk
// and file system make, without needing them: a read-only file, a folder
// where no journal can be made, a disk that fills up. While an instance
// lives, every connection the store's engine opens goes through it.
class FaultVfs
{
public:
    FaultVfs();
    ~FaultVfs();
    FaultVfs(const FaultVfs &) = delete;
    FaultVfs &operator=(const FaultVfs &) = delete;

    // The dictionary file opens read-only, as a write-protected file does.
    void setReadOnlyFiles(bool on);
    // No rollback journal can be created, as in a read-only folder.
    void setJournalRefused(bool on);
    // Writes fail with "disk full" once this many more bytes were written;
    // negative for no limit.
    void setBytesUntilFull(qint64 bytes);
};

} // namespace testing_support
