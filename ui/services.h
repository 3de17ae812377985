#pragma once

#include "store/location.h"
#include "ui/modalboxes.h"

namespace platform {
class FileProbe;
class ProgramStarter;
class Registry;
class Shell;
} // namespace platform

namespace ui {

// What the windows need from outside: the modal boxes, where the dictionary
// is, and the platform services. The program passes the real ones, tests their
// own. A window that needs a platform service requires it to be set.
struct Services
{
    ModalBoxes &boxes;
    store::Location dictionary;
    platform::Shell *shell = nullptr; // mail and web hand-off
    platform::Registry *registry = nullptr; // finding System Info
    platform::ProgramStarter *programs = nullptr; // starting System Info
    platform::FileProbe *files = nullptr;
};

} // namespace ui
