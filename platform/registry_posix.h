#pragma once

#include "platform/registry.h"

#include <QStringList>

namespace platform {

// Where the system-information program's full path is kept, as Windows
// keeps it; the stand-in below answers for this value alone.
inline const QString kSystemInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
inline const QString kSystemInfoValue = QStringLiteral("PATH");

// A read-only registry that holds one value: kSystemInfoValue under
// kSystemInfoKey in HKEY_LOCAL_MACHINE, a REG_SZ giving the full path of the
// first of programs found in folders (the PATH folders when folders is
// empty). With none of them installed the key is absent. The program is
// looked for when the key is opened, so one installed while the program
// runs is found the next time. Opening with write rights is refused, as a
// machine-wide key refuses it to an ordinary user.
std::unique_ptr<Registry> desktopRegistry(const QStringList &programs, const QStringList &folders = {});

// The desktops' own system-information programs, most specific first.
QStringList systemInfoPrograms();

} // namespace platform
