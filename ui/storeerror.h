#pragma once

#include "store/sqlite.h"
#include "ui/modalboxes.h"

namespace ui {

// Tells the user that a dictionary operation was abandoned: which file, why,
// and that the program carries on.
void reportStoreError(ModalBoxes &boxes, const store::Error &error);

QString storeErrorText(const store::Error &error);

} // namespace ui
