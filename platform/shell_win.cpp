#include "platform/shell.h"

#include "platform/codepage.h"

#include "platform/windows_win.h"
#include <shellapi.h>

namespace platform {

bool SystemShell::execute(const std::string &verb, const std::string &text, ShowCommand show)
{
    // The ANSI entry point takes its texts in the system code page.
    const std::string operation = toSystemCodePage(verb);
    const std::string file = toSystemCodePage(text);
    const HINSTANCE result =
        ShellExecuteA(nullptr, operation.c_str(), file.c_str(), nullptr, nullptr, static_cast<int>(show));
    // Values above 32 mean success; anything else is an error code.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

} // namespace platform
