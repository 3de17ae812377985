#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <memory>

namespace platform {

// The Windows registry as its three ANSI calls see it: open a key, query one
// value into a caller's buffer, close the key. Names and value bytes are in
// the system's 8-bit code page. Every call returns the system's status code,
// kSuccess (0) on success.
class Registry
{
public:
    // A predefined root such as HKEY_LOCAL_MACHINE, in its 32-bit form.
    using Root = quint32;
    // A key that openKey opened.
    using Key = quintptr;
    using Status = qint32;

    static constexpr Root kLocalMachine = 0x80000002u;

    static constexpr Status kSuccess = 0;
    static constexpr Status kFileNotFound = 2;
    static constexpr Status kAccessDenied = 5;
    static constexpr Status kInvalidHandle = 6;
    static constexpr Status kMoreData = 234;

    // Access rights (REGSAM).
    static constexpr quint32 kQueryValue = 0x0001;
    static constexpr quint32 kSetValue = 0x0002;
    static constexpr quint32 kCreateSubKey = 0x0004;
    static constexpr quint32 kEnumerateSubKeys = 0x0008;
    static constexpr quint32 kNotify = 0x0010;
    static constexpr quint32 kCreateLink = 0x0020;
    static constexpr quint32 kReadControl = 0x20000;
    static constexpr quint32 kRead = kReadControl | kQueryValue | kEnumerateSubKeys | kNotify;

    // Value types.
    static constexpr quint32 kString = 1;       // REG_SZ
    static constexpr quint32 kExpandString = 2; // REG_EXPAND_SZ
    static constexpr quint32 kBinary = 3;       // REG_BINARY
    static constexpr quint32 kDword = 4;        // REG_DWORD, little-endian

    virtual ~Registry() = default;

    // RegOpenKeyExA: opens path below root; key is valid only on success.
    virtual Status openKey(Root root, const QString &path, quint32 options, quint32 access,
                           Key &key) = 0;

    // RegQueryValueExA: size comes in as the number of bytes the caller
    // offers (at most buffer.size()) and goes out as the value's size in
    // bytes. A value larger than the offer gives kMoreData, with size set to
    // what it would need, and leaves the buffer's contents unspecified.
    virtual Status queryValue(Key key, const QString &name, quint32 &type, QByteArray &buffer,
                              quint32 &size) = 0;

    // RegCloseKey.
    virtual Status closeKey(Key key) = 0;

    // Replaces the %NAME% references of a REG_EXPAND_SZ value with the
    // environment's values, as the system does; unknown names stay as written.
    virtual QString expandString(const QString &value) const = 0;
};

// The registry of the system the program runs on. Elsewhere than on Windows
// this is a read-only stand-in that holds only what the program looks for.
std::unique_ptr<Registry> systemRegistry();

} // namespace platform
