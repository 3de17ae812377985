#pragma once

#include <string>

namespace platform {
class Shell;
}

namespace platform::Web {

// Opens address (UTF-8), unchanged, in the user's web browser. The shell's
// answer is not looked at.
void OpenWebPage(platform::Shell &shell, const std::string &address);

} // namespace platform::Web
