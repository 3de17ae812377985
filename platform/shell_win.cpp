#include "platform/shell.h"

#include <QByteArray>

#include <windows.h>
#include <shellapi.h>

namespace platform {

bool SystemShell::execute(const QString &verb, const QString &text, ShowCommand show)
{
    // The ANSI entry point takes texts in the system code page, which is
    // what toLocal8Bit gives on Windows.
    const QByteArray operation = verb.toLocal8Bit();
    const QByteArray file = text.toLocal8Bit();
    const HINSTANCE result = ShellExecuteA(nullptr, operation.constData(), file.constData(),
                                           nullptr, nullptr, static_cast<int>(show));
    // Values above 32 mean success; anything else is an error code.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

} // namespace platform
