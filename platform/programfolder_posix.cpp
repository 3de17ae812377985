#include "platform/programfolder.h"

#include <QDir>
#include <QFileInfo>

#include <climits>
#include <unistd.h>

namespace platform {

QString programFolder()
{
    // /proc/self/exe names the executable itself, whatever link or working
    // folder it was started from.
    char buffer[PATH_MAX];
    const ssize_t size = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (size <= 0)
        return QDir::currentPath();
    const QString exe = QString::fromLocal8Bit(buffer, size);
    return QDir::toNativeSeparators(QFileInfo(exe).absolutePath());
}

} // namespace platform
