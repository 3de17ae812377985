#include "platform/terminal.h"

#include <unistd.h>

namespace platform {

bool standardErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

} // namespace platform
