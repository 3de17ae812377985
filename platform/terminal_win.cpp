#include "platform/terminal.h"

#include <io.h>
#include <stdio.h>

namespace platform {

bool standardErrorIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}

} // namespace platform
