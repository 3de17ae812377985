#include "platform/fileprobe.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

namespace platform {

namespace {

class WindowsFileProbe final : public FileProbe
{
public:
    bool fileExists(const QString &path) const override
    {
        if (path.isEmpty())
            return false;
        const std::wstring native = path.toStdWString();
        const DWORD attributes = GetFileAttributesW(native.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES
               && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }
};

} // namespace

std::unique_ptr<FileProbe> systemFileProbe()
{
    return std::make_unique<WindowsFileProbe>();
}

} // namespace platform
