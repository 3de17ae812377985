#pragma once

#include <QString>

namespace platform {
class Shell;
}

namespace ui::Web {

// Opens address, unchanged, in the user's web browser. The shell's answer is
// not looked at.
void OpenWebPage(platform::Shell &shell, QString address);

} // namespace ui::Web
