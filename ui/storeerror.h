#pragma once

#include "store/error.h"
#include "ui/modalboxes.h"

namespace ui {

// Tells the user that a dictionary operation was abandoned: which file, why,
// and that the program carries on.
void reportStoreError(ModalBoxes &boxes, const store::Error &error);

QString storeErrorText(const store::Error &error);
// Why, in words a user understands.
QString storeErrorReason(const store::Error &error);

} // namespace ui
