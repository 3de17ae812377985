#include "platform/registry.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <vector>

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
    Status openKey(Root root, const QString &path, quint32 options, quint32 access,
                   Key &key) override
    {
        const QByteArray path8 = path.toLocal8Bit();
        HKEY opened = nullptr;
        const LONG status = RegOpenKeyExA(rootHandle(root), path8.constData(),
                                          static_cast<DWORD>(options),
                                          static_cast<REGSAM>(access), &opened);
        key = status == ERROR_SUCCESS ? reinterpret_cast<Key>(opened) : Key(0);
        return static_cast<Status>(status);
    }

    Status queryValue(Key key, const QString &name, quint32 &type, QByteArray &buffer,
                      quint32 &size) override
    {
        const QByteArray name8 = name.toLocal8Bit();
        // Never offer more than the buffer holds, whatever the caller says.
        const quint32 room = static_cast<quint32>(buffer.size());
        DWORD valueType = 0;
        DWORD valueSize = size < room ? size : room;
        const LONG status = RegQueryValueExA(keyHandle(key), name8.constData(), nullptr,
                                             &valueType,
                                             reinterpret_cast<LPBYTE>(buffer.data()),
                                             &valueSize);
        type = static_cast<quint32>(valueType);
        size = static_cast<quint32>(valueSize);
        return static_cast<Status>(status);
    }

    Status closeKey(Key key) override
    {
        return static_cast<Status>(RegCloseKey(keyHandle(key)));
    }

    QString expandString(const QString &value) const override
    {
        const std::wstring source = value.toStdWString();
        std::vector<wchar_t> expanded(source.size() + 1);
        for (;;) {
            const DWORD needed = ExpandEnvironmentStringsW(
                source.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
            if (needed == 0)
                return value; // the system could not expand it: keep it as stored
            if (needed <= expanded.size())
                return QString::fromWCharArray(expanded.data(), static_cast<int>(needed) - 1);
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
