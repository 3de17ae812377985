#pragma once

namespace platform {

// True when the process's standard error goes to a terminal (a console
// window on Windows) rather than to a file or a pipe.
bool standardErrorIsTerminal();

} // namespace platform
