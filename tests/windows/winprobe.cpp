// Looks at a running program from outside, as Windows sees it, for the
// black-box run of orvex.exe (blackbox.sh):
//
//   winprobe window TITLE    waits up to 30 s for a visible top-level window
//                            titled TITLE and prints its styles, one
//                            name=value a line
//   winprobe gone TITLE      waits up to 30 s for no such window to be left
//   winprobe clipboard       prints the clipboard's text
//   winprobe manifest EXE    prints the application manifest linked into EXE
//
// Exits with 1 when there is nothing to print.
#include "platform/windows_win.h"

#include <cstdio>
#include <string>

namespace {

std::string utf8(const std::wstring &text)
{
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr, nullptr);
    return result;
}

struct Search
{
    std::wstring title;
    HWND found = nullptr;
};

BOOL CALLBACK matchTitle(HWND window, LPARAM data)
{
    auto *search = reinterpret_cast<Search *>(data);
    wchar_t title[512] = {};
    GetWindowTextW(window, title, 512);
    if (IsWindowVisible(window) && search->title == title) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND findWindow(const std::wstring &title)
{
    Search search{title};
    EnumWindows(matchTitle, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND waitForWindow(const std::wstring &title, bool present)
{
    for (int waited = 0; waited < 300; ++waited) {
        const HWND window = findWindow(title);
        if ((window != nullptr) == present)
            return window;
        Sleep(100);
    }
    return findWindow(title);
}

int printWindow(const std::wstring &title)
{
    const HWND window = waitForWindow(title, true);
    if (!window)
        return 1;
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    const HWND owner = GetWindow(window, GW_OWNER);
    RECT frame{};
    GetWindowRect(window, &frame);
    POINT client{0, 0};
    ClientToScreen(window, &client);
    RECT inside{};
    GetClientRect(window, &inside);
    // Windows gives a taskbar button to a visible top-level window unless it
    // is a tool window, or it is owned and does not ask for one.
    const bool toolWindow = exStyle & WS_EX_TOOLWINDOW;
    const bool appWindow = exStyle & WS_EX_APPWINDOW;
    const bool taskbar = !toolWindow && (appWindow || owner == nullptr);
    std::printf("caption=%d\n", (style & WS_CAPTION) == WS_CAPTION);
    std::printf("sysmenu=%d\n", (style & WS_SYSMENU) != 0);
    std::printf("minimizebox=%d\n", (style & WS_MINIMIZEBOX) != 0);
    std::printf("maximizebox=%d\n", (style & WS_MAXIMIZEBOX) != 0);
    std::printf("thickframe=%d\n", (style & WS_THICKFRAME) != 0);
    std::printf("toolwindow=%d\n", toolWindow);
    std::printf("appwindow=%d\n", appWindow);
    std::printf("owner=%d\n", owner != nullptr);
    std::printf("ownervisible=%d\n", owner != nullptr && IsWindowVisible(owner));
    std::printf("taskbar=%d\n", taskbar);
    std::printf("frame=%ld,%ld,%ld,%ld\n", frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top);
    std::printf("client=%ld,%ld,%ld,%ld\n", client.x, client.y, inside.right, inside.bottom);
    return 0;
}

int printClipboard()
{
    for (int tries = 0; tries < 50 && !OpenClipboard(nullptr); ++tries)
        Sleep(100);
    int status = 1;
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto *text = static_cast<const wchar_t *>(GlobalLock(data))) {
            std::printf("%s\n", utf8(text).c_str());
            GlobalUnlock(data);
            status = 0;
        }
    }
    CloseClipboard();
    return status;
}

int printManifest(const wchar_t *program)
{
    const HMODULE module = LoadLibraryExW(program, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module)
        return 1;
    int status = 1;
    // Resource 1 of type 24: a program's own manifest.
    if (const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
        const HGLOBAL loaded = LoadResource(module, found);
        const auto *bytes = static_cast<const char *>(LockResource(loaded));
        const DWORD size = SizeofResource(module, found);
        if (bytes) {
            std::fwrite(bytes, 1, size, stdout);
            status = 0;
        }
    }
    FreeLibrary(module);
    return status;
}

} // namespace

int wmain(int argc, wchar_t *argv[])
{
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"window" && argc == 3)
        return printWindow(argv[2]);
    if (command == L"gone" && argc == 3)
        return waitForWindow(argv[2], false) ? 1 : 0;
    if (command == L"clipboard" && argc == 2)
        return printClipboard();
    if (command == L"manifest" && argc == 3)
        return printManifest(argv[2]);
    std::fprintf(stderr, "usage: winprobe window TITLE | gone TITLE | clipboard | manifest EXE\n");
    return 2;
}
