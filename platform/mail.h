#pragma once

#include <string>

namespace platform {
class Shell;
}

namespace platform::Mail {

// Opens a new message to address in the user's mail program. The subject and
// the body, when not empty, go into the "mailto:" text as they are: nothing
// is escaped. All texts are UTF-8. The shell's answer is not looked at;
// whatever goes wrong there is the mail program's or the desktop's to report.
void ComposeMail(platform::Shell &shell, std::string address, const std::string &subject, const std::string &body);

} // namespace platform::Mail
