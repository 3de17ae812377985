#include "platform/fileprobe.h"
#include "platform/text_win.h"

#include "platform/windows_win.h"

namespace platform {

namespace {

class WindowsFileProbe final : public FileProbe
{
public:
    bool fileExists(const std::string &path) const override
    {
        if (path.empty())
            return false;
        const std::wstring native = win::widen(path);
        const DWORD attributes = GetFileAttributesW(native.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }
};

} // namespace

std::unique_ptr<FileProbe> systemFileProbe()
{
    return std::make_unique<WindowsFileProbe>();
}

} // namespace platform
