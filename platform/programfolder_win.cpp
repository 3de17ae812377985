#include "platform/programfolder.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>

#include <vector>

namespace platform {

QString programFolder()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD size = GetModuleFileNameW(nullptr, buffer.data(),
                                              static_cast<DWORD>(buffer.size()));
        if (size == 0)
            return QDir::currentPath();
        if (size < buffer.size()) {
            const QString exe = QString::fromWCharArray(buffer.data(), static_cast<int>(size));
            return QDir::toNativeSeparators(QFileInfo(exe).absolutePath());
        }
        buffer.resize(buffer.size() * 2); // a long path was cut short
    }
}

} // namespace platform
