#include "ui/storeerror.h"

#include "messages/storefaults.h"
#include "ui/waiting.h"

namespace ui {

QString storeErrorReason(const store::Error &error)
{
    return messages::storeFaultReason(error, messages::Wording::Window);
}

QString storeErrorText(const store::Error &error)
{
    QString text = QStringLiteral("The acronym dictionary could not be used.\n\n"
                                  "Dictionary: %1\n"
                                  "Reason: %2")
                       .arg(messages::storeFaultPlace(error), storeErrorReason(error));
    if (!error.engineMessage().isEmpty())
        text += QStringLiteral("\n\n(%1)").arg(error.engineMessage());
    return text;
}

bool refuseReadOnly(ModalBoxes &boxes, store::Dictionary &dictionary)
{
    try {
        whileRepainting([&] { dictionary.requireWritable(); });
        return false;
    } catch (const store::Error &error) {
        reportStoreError(boxes, error);
        return true;
    }
}

void reportStoreError(ModalBoxes &boxes, const store::Error &error)
{
    boxes.message(storeErrorText(error), kAppTitle, ModalBoxes::Icon::Critical);
}

} // namespace ui
