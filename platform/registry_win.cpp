#include "platform/registry.h"

#include "platform/codepage.h"
#include "platform/text_win.h"

#include "platform/windows_win.h"

namespace platform {

namespace {

// The predefined roots are sign-extended 32-bit values, as the system's
// own HKEY_LOCAL_MACHINE macro writes them.
HKEY rootHandle(Registry::Root root)
{
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}

HKEY keyHandle(Registry::Key key)
{
    return reinterpret_cast<HKEY>(key);
}

class WindowsRegistry final : public Registry
{
public:
    Status openKey(Root root, const std::string &path, std::uint32_t options, std::uint32_t access, Key &key) override
    {
        const std::string path8 = toSystemCodePage(path);
        HKEY opened = nullptr;
        const LONG status = RegOpenKeyExA(rootHandle(root), path8.c_str(), static_cast<DWORD>(options),
                                          static_cast<REGSAM>(access), &opened);
        key = status == ERROR_SUCCESS ? reinterpret_cast<Key>(opened) : Key(0);
        return static_cast<Status>(status);
    }

    Status queryValue(Key key, const std::string &name, std::uint32_t &type, std::vector<unsigned char> &buffer,
                      std::uint32_t &size) override
    {
        const std::string name8 = toSystemCodePage(name);
        // Never offer more than the buffer holds, whatever the caller says.
        const auto room = static_cast<std::uint32_t>(buffer.size());
        DWORD valueType = 0;
        DWORD valueSize = size < room ? size : room;
        const LONG status =
            RegQueryValueExA(keyHandle(key), name8.c_str(), nullptr, &valueType, buffer.data(), &valueSize);
        type = static_cast<std::uint32_t>(valueType);
        size = static_cast<std::uint32_t>(valueSize);
        return static_cast<Status>(status);
    }

    Status closeKey(Key key) override { return static_cast<Status>(RegCloseKey(keyHandle(key))); }

    std::string expandString(const std::string &value) const override
    {
        const std::wstring source = win::widen(value);
        std::wstring expanded(source.size() + 1, L'\0');
        for (;;) {
            const DWORD needed =
                ExpandEnvironmentStringsW(source.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
            if (needed == 0)
                return value; // the system could not expand it: keep it as stored
            if (needed <= expanded.size()) {
                expanded.resize(needed - 1);
                return win::narrow(expanded);
            }
            expanded.resize(needed);
        }
    }
};

} // namespace

std::unique_ptr<Registry> systemRegistry()
{
    return std::make_unique<WindowsRegistry>();
}

} // namespace platform
