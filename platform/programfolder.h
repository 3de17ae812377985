#pragma once

#include <string>

namespace platform {

// The folder that holds the running executable, in UTF-8 and the system's
// own notation (backslashes on Windows), without a trailing separator
// unless it is the root of a drive or of the file system.
std::string programFolder();

} // namespace platform
