#pragma once

#include "ui/modalboxes.h"

#include <QString>

namespace ui {

// What the windows need from outside: the modal boxes and the dictionary's
// path. The program passes the real ones, tests their own.
struct Services
{
    ModalBoxes &boxes;
    QString databasePath;
};

} // namespace ui
