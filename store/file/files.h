#pragma once

#include "store/file/sqlite.h"

#include <QByteArray>

namespace store {

// How this run opens dictionary files, made on first use: every window and
// tool opens files the same way, with the same settings.
class Files
{
public:
    static Files &instance();

    // Opens an existing database for reading and writing (for reading only
    // when this run writes nothing). A missing file is an error: the
    // dictionary is installed with the program, never made here.
    Database open(const QString &path) const;

    // Makes a new database file; refuses to touch a file that already exists.
    Database createNew(const QString &path) const;

    // How long a connection waits for another program's write to finish.
    int busyTimeoutMs() const { return m_busyTimeoutMs; }
    void setBusyTimeoutMs(int ms) { m_busyTimeoutMs = ms; }

    // The SQLite VFS connections open through; empty for the system's own.
    // Tests use one that injects faults.
    const QByteArray &vfs() const { return m_vfs; }
    void setVfs(const QByteArray &name) { m_vfs = name; }
    // Whether lookups go through the trimmed-acronym index, adding it to a
    // file that lacks it. Off, every lookup is the plain record scan; the
    // benchmarks compare the two.
    bool lookupByIndex() const { return m_lookupByIndex; }
    void setLookupByIndex(bool on) { m_lookupByIndex = on; }

    // Whether this run only reads (store::Usage::readOnly): files are opened
    // read-only, and nothing of them is changed.
    bool readOnly() const { return m_readOnly; }
    void setReadOnly(bool on) { m_readOnly = on; }

    Files(const Files &) = delete;
    Files &operator=(const Files &) = delete;

private:
    Files();

    int m_busyTimeoutMs = 5000;
    QByteArray m_vfs;
    bool m_lookupByIndex = true;
    bool m_readOnly = false;
};

} // namespace store
