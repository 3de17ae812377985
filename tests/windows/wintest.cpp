#include "wintest.h"

#include "platform/text_win.h"

#include "platform/windows_win.h"

#include <stdexcept>
#include <vector>

using platform::win::narrow;
using platform::win::widen;

namespace wintest {

bool underWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

int run(const std::string &commandLine)
{
    std::wstring line = widen(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process))
        return -1;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

bool reg(const std::string &arguments)
{
    return run("reg.exe " + arguments) == 0;
}

std::string newFolder()
{
    static int count = 0;
    wchar_t temp[MAX_PATH + 1];
    const DWORD size = GetTempPathW(MAX_PATH + 1, temp);
    std::wstring base(temp, size);
    if (!base.empty() && base.back() == L'\\')
        base.pop_back();
    for (;;) {
        const std::wstring folder =
            base + L"\\orvex test \u00e9 " + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++count);
        if (CreateDirectoryW(folder.c_str(), nullptr))
            return narrow(folder);
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot make a test folder");
    }
}

void removeFolder(const std::string &folder)
{
    const std::wstring wide = widen(folder);
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((wide + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = wide + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeFolder(narrow(path));
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(wide.c_str());
}

std::string testFolder()
{
    std::vector<wchar_t> buffer(32768);
    const DWORD size = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    std::wstring path(buffer.data(), size);
    return narrow(path.substr(0, path.find_last_of(L'\\')));
}

void placeMarker(const std::string &path)
{
    const std::wstring source = widen(testFolder() + "\\orvex_marker.exe");
    if (!CopyFileW(source.c_str(), widen(path).c_str(), FALSE))
        throw std::runtime_error("cannot copy the marker program to " + path);
}

bool markerRan(const std::string &path)
{
    return fileExists(path + ".ran");
}

bool waitForMarker(const std::string &path, std::string &commandLine)
{
    for (int waited = 0; waited < 600; ++waited) {
        if (markerRan(path)) {
            const HANDLE file = CreateFileW(widen(path + ".ran").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE)
                return false;
            char buffer[4096];
            DWORD read = 0;
            ReadFile(file, buffer, sizeof buffer, &read, nullptr);
            CloseHandle(file);
            commandLine.assign(buffer, read);
            return true;
        }
        Sleep(50);
    }
    return false;
}

bool fileExists(const std::string &path)
{
    return GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void writeFile(const std::string &path, const std::string &bytes)
{
    const HANDLE file =
        CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot write " + path);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

void removeFile(const std::string &path)
{
    DeleteFileW(widen(path).c_str());
}

} // namespace wintest
