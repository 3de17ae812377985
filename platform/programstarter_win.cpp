#include "platform/programstarter.h"
#include "platform/text_win.h"

#include "platform/windows_win.h"

namespace platform {

namespace {

class WindowsProgramStarter final : public ProgramStarter
{
public:
    bool start(const std::string &path, int showState) override
    {
        // The path alone is the command line; quoted, so that a path with
        // spaces ("C:\Program Files\...") names one program, not several.
        std::wstring commandLine = win::widen(path);
        if (commandLine.empty())
            return false;
        if (commandLine.front() != L'"')
            commandLine = L'"' + commandLine + L'"';

        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(showState);
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process))
            return false;
        // Nothing of the new process is kept or waited for.
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return true;
    }
};

} // namespace

std::unique_ptr<ProgramStarter> systemProgramStarter()
{
    return std::make_unique<WindowsProgramStarter>();
}

} // namespace platform
