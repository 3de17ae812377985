#include "ui/storeerror.h"

#include <QDir>

namespace ui {

QString storeErrorText(const store::Error &error)
{
    return QStringLiteral("The acronym dictionary could not be used.\n\n"
                          "File: %1\n"
                          "Reason: %2\n\n"
                          "(%3)")
        .arg(QDir::toNativeSeparators(error.path()), error.reason(), error.engineMessage());
}

void reportStoreError(ModalBoxes &boxes, const store::Error &error)
{
    boxes.message(storeErrorText(error), kAppTitle, ModalBoxes::Icon::Critical);
}

} // namespace ui
