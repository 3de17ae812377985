#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// The Windows registry as its three ANSI calls see it: open a key, query one
// value into a caller's buffer, close the key. Key paths and value names are
// given in UTF-8; the value bytes come as the system stores them, texts in
// its 8-bit code page (platform::fromSystemCodePage reads them). Every call
// returns the system's status code, kSuccess (0) on success.
class Registry
{
public:
    // A predefined root such as HKEY_LOCAL_MACHINE, in its 32-bit form.
    using Root = std::uint32_t;
    // A key that openKey opened.
    using Key = std::uintptr_t;
    using Status = std::int32_t;

    static constexpr Root kLocalMachine = 0x80000002u;

    static constexpr Status kSuccess = 0;
    static constexpr Status kFileNotFound = 2;
    static constexpr Status kAccessDenied = 5;
    static constexpr Status kInvalidHandle = 6;
    static constexpr Status kMoreData = 234;

    // Access rights (REGSAM).
    static constexpr std::uint32_t kQueryValue = 0x0001;
    static constexpr std::uint32_t kSetValue = 0x0002;
    static constexpr std::uint32_t kCreateSubKey = 0x0004;
    static constexpr std::uint32_t kEnumerateSubKeys = 0x0008;
    static constexpr std::uint32_t kNotify = 0x0010;
    static constexpr std::uint32_t kCreateLink = 0x0020;
    static constexpr std::uint32_t kReadControl = 0x20000;
    static constexpr std::uint32_t kRead = kReadControl | kQueryValue | kEnumerateSubKeys | kNotify;

    // Value types.
    static constexpr std::uint32_t kString = 1; // REG_SZ
    static constexpr std::uint32_t kExpandString = 2; // REG_EXPAND_SZ
    static constexpr std::uint32_t kBinary = 3; // REG_BINARY
    static constexpr std::uint32_t kDword = 4; // REG_DWORD, little-endian

    virtual ~Registry() = default;

    // RegOpenKeyExA: opens path below root; key is valid only on success.
    virtual Status openKey(Root root, const std::string &path, std::uint32_t options, std::uint32_t access,
                           Key &key) = 0;

    // RegQueryValueExA: size comes in as the number of bytes the caller
    // offers (at most buffer.size()) and goes out as the value's size in
    // bytes. A value larger than the offer gives kMoreData, with size set to
    // what it would need, and leaves the buffer's contents unspecified.
    virtual Status queryValue(Key key, const std::string &name, std::uint32_t &type, std::vector<unsigned char> &buffer,
                              std::uint32_t &size) = 0;

    // RegCloseKey.
    virtual Status closeKey(Key key) = 0;

    // Replaces the %NAME% references of a REG_EXPAND_SZ value with the
    // environment's values, as the system does; unknown names stay as written.
    // UTF-8 in and out.
    virtual std::string expandString(const std::string &value) const = 0;
};

// The registry of the system the program runs on. Elsewhere than on Windows
// this is a read-only stand-in that holds only what the program looks for.
std::unique_ptr<Registry> systemRegistry();

} // namespace platform
