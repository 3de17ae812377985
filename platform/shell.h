#pragma once

#include <string>

namespace platform {

// How the shell shows the program it starts, with the values of the Windows
// SW_* show commands. The names differ from those macros on purpose, so the
// header can sit beside <windows.h>.
enum class ShowCommand : int {
    Hide = 0, // SW_HIDE
    Normal = 1, // SW_SHOWNORMAL
    Minimized = 2, // SW_SHOWMINIMIZED
    Maximized = 3, // SW_SHOWMAXIMIZED
    NoActivate = 4, // SW_SHOWNOACTIVATE
    Show = 5, // SW_SHOW
};

// Hands a text (a "mailto:" text, a web address, a file) to whatever the
// desktop has registered for it: the mail program, the browser, and so on.
class Shell
{
public:
    virtual ~Shell() = default;

    // Runs the operation verb ("open") on text, both UTF-8. True when the hand-off was
    // made; callers that do not care may ignore the answer. The program
    // started runs on its own and is neither waited for nor watched.
    virtual bool execute(const std::string &verb, const std::string &text, ShowCommand show) = 0;
};

// The system's own shell: ShellExecuteA on Windows, the desktop's URL
// handler elsewhere.
class SystemShell : public Shell
{
public:
    bool execute(const std::string &verb, const std::string &text, ShowCommand show) override;
};

} // namespace platform
