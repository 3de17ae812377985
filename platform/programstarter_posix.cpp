#include "platform/programstarter.h"

#include <QProcess>

namespace platform {

namespace {

class PosixProgramStarter final : public ProgramStarter
{
public:
    // The show state has no counterpart here: the window manager places and
    // shows the new program's window.
    bool start(const std::string &path, int) override
    {
        if (path.empty())
            return false;
        // Started directly, not through a shell, so the path is never parsed.
        return QProcess::startDetached(QString::fromStdString(path), {});
    }
};

} // namespace

std::unique_ptr<ProgramStarter> systemProgramStarter()
{
    return std::make_unique<PosixProgramStarter>();
}

} // namespace platform
