#include "ui/qtmodalboxes.h"

#include <QInputDialog>
#include <QMessageBox>

namespace ui {

namespace {

QMessageBox::Icon toQt(ModalBoxes::Icon icon)
{
    switch (icon) {
    case ModalBoxes::Icon::Critical:
        return QMessageBox::Critical;
    case ModalBoxes::Icon::Warning:
        return QMessageBox::Warning;
    case ModalBoxes::Icon::Information:
        return QMessageBox::Information;
    case ModalBoxes::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void QtModalBoxes::message(const QString &text, const QString &title, Icon icon)
{
    QMessageBox box(toQt(icon), title, text, QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

QString QtModalBoxes::input(const QString &prompt, const QString &title)
{
    QInputDialog box;
    box.setWindowModality(Qt::ApplicationModal);
    box.setInputMode(QInputDialog::TextInput);
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setTextValue(QString());
    return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}

} // namespace ui
