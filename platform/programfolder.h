#pragma once

#include <QString>

namespace platform {

// The folder that holds the running executable, in the system's own
// notation (backslashes on Windows), without a trailing separator.
QString programFolder();

} // namespace platform
