#include "platform/programfolder.h"

#include <climits>
#include <unistd.h>

namespace platform {

namespace {

std::string currentFolder()
{
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string(".");
}

} // namespace

std::string programFolder()
{
    // /proc/self/exe names the executable itself, whatever link or working
    // folder it was started from, always as an absolute path.
    char buffer[PATH_MAX];
    const ssize_t size = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (size <= 0)
        return currentFolder();
    const std::string exe(buffer, static_cast<size_t>(size));
    const size_t slash = exe.rfind('/');
    if (slash == std::string::npos)
        return currentFolder();
    return slash == 0 ? std::string("/") : exe.substr(0, slash);
}

} // namespace platform
