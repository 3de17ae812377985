#pragma once

#include "ui/modalboxes.h"

#include <QString>

namespace platform {
class FileProbe;
class ProgramStarter;
class Registry;
class Shell;
} // namespace platform

namespace ui {

// What the windows need from outside: the modal boxes, the dictionary's path
// and the platform services. The program passes the real ones, tests their
// own. A window that needs a platform service requires it to be set.
struct Services
{
    ModalBoxes &boxes;
    QString databasePath;
    platform::Shell *shell = nullptr;             // mail and web hand-off
    platform::Registry *registry = nullptr;       // finding System Info
    platform::ProgramStarter *programs = nullptr; // starting System Info
    platform::FileProbe *files = nullptr;
};

} // namespace ui
