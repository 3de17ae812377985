#include "platform/programfolder.h"
#include "platform/text_win.h"

#include "platform/windows_win.h"

#include <vector>

namespace platform {

namespace {

std::wstring currentFolder()
{
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    std::vector<wchar_t> buffer(needed > 0 ? needed : 1);
    const DWORD size = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    return std::wstring(buffer.data(), size < buffer.size() ? size : 0);
}

// The folder part of a full path; a drive's root keeps its backslash
// ("C:\"), as the system writes it.
std::wstring folderOf(const std::wstring &path)
{
    const size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos)
        return currentFolder();
    std::wstring folder = path.substr(0, separator);
    if (folder.empty() || (folder.size() == 2 && folder[1] == L':'))
        folder += L'\\';
    for (wchar_t &c : folder) {
        if (c == L'/')
            c = L'\\';
    }
    return folder;
}

} // namespace

std::string programFolder()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD size = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (size == 0)
            return win::narrow(currentFolder());
        if (size < buffer.size())
            return win::narrow(folderOf(std::wstring(buffer.data(), size)));
        buffer.resize(buffer.size() * 2); // a long path was cut short
    }
}

} // namespace platform
