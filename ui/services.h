#pragma once

#include "ui/modalboxes.h"

#include <QString>

namespace platform {
class FileProbe;
class ProgramStarter;
class Registry;
} // namespace platform

namespace ui {

// What the windows need from outside: the modal boxes, the dictionary's path
// and the platform services. The program passes the real ones, tests their
// own. A window that needs a platform service requires it to be set.
struct Services
{
    ModalBoxes &boxes;
    QString databasePath;
    platform::Registry *registry = nullptr;
    platform::ProgramStarter *programs = nullptr;
    platform::FileProbe *files = nullptr;
};

} // namespace ui
