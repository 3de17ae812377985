#pragma once

#include <QString>

namespace app {

// What every window of the program shares, set on the running application:
// name, version, icon, style and font.
void setUpApplication();

// Starts the program: creates and shows the main window, and returns when
// the main window closes. Nothing is read from the dictionary at start.
int run(int argc, char *argv[]);

} // namespace app
