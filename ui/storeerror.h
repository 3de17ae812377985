#pragma once

#include "store/dictionary.h"
#include "store/error.h"
#include "ui/modalboxes.h"

namespace ui {

// Tells the user that a dictionary operation was abandoned: which file, why,
// and that the program carries on.
void reportStoreError(ModalBoxes &boxes, const store::Error &error);

QString storeErrorText(const store::Error &error);
// Says at once that the dictionary cannot be written, before the user types
// an answer that could not be stored. True when it did.
bool refuseReadOnly(ModalBoxes &boxes, store::Dictionary &dictionary);

// Why, in words a user understands.
QString storeErrorReason(const store::Error &error);

} // namespace ui
