// Stands in for the programs the platform layer starts. Run, it writes its
// command line (UTF-8) to a file beside itself named after it plus ".ran".
// While a file named after it plus ".hold" exists it waits before writing,
// so a test can tell whether its starter waited for it.
#include "platform/windows_win.h"

#include <string>
#include <vector>

namespace {

std::wstring ownPath()
{
    std::vector<wchar_t> buffer(32768);
    const DWORD size = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    return std::wstring(buffer.data(), size);
}

bool exists(const std::wstring &path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

int wmain()
{
    const std::wstring self = ownPath();
    for (int waited = 0; exists(self + L".hold") && waited < 600; ++waited)
        Sleep(50);

    const std::wstring commandLine = GetCommandLineW();
    const int size = WideCharToMultiByte(CP_UTF8, 0, commandLine.data(), static_cast<int>(commandLine.size()), nullptr,
                                         0, nullptr, nullptr);
    std::string text(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, commandLine.data(), static_cast<int>(commandLine.size()), text.data(), size,
                        nullptr, nullptr);

    // Written under another name and then renamed, so a reader never sees
    // half of it.
    const std::wstring partial = self + L".part";
    const HANDLE file =
        CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || !MoveFileExW(partial.c_str(), (self + L".ran").c_str(), MOVEFILE_REPLACE_EXISTING))
        return 1;
    return 0;
}
