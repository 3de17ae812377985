#pragma once

#include "ui/modalboxes.h"

#include <QString>

namespace platform {
class Shell;
}

namespace ui {

// What the windows need from outside: the modal boxes, the dictionary's path
// and the platform services. The program passes the real ones, tests their
// own. A window that needs a platform service requires it to be set.
struct Services
{
    ModalBoxes &boxes;
    QString databasePath;
    platform::Shell *shell = nullptr; // mail and web hand-off (frmContact)
};

} // namespace ui
