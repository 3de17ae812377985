#include "ui/qtmodalboxes.h"

#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

#include <limits>

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

QString iconName(ModalBoxes::Icon icon)
{
    switch (icon) {
    case ModalBoxes::Icon::Critical:
        return QStringLiteral("Error");
    case ModalBoxes::Icon::Warning:
        return QStringLiteral("Warning");
    case ModalBoxes::Icon::Information:
        return QStringLiteral("Information");
    case ModalBoxes::Icon::None:
        break;
    }
    return QString();
}

} // namespace

void QtModalBoxes::message(const QString &text, const QString &title, Icon icon)
{
    QMessageBox box(toQt(icon), title, text, QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    // Every message is plain text; a path or an engine's words in it must
    // never be read as markup.
    box.setTextFormat(Qt::PlainText);
    // The icon says how grave the message is; screen readers say it too.
    if (auto *picture = box.findChild<QLabel *>(QStringLiteral("qt_msgboxex_icon_label")))
        picture->setAccessibleName(iconName(icon));
    box.exec();
}

QString QtModalBoxes::input(const QString &prompt, const QString &title)
{
    QInputDialog box;
    box.setWindowModality(Qt::ApplicationModal);
    box.setInputMode(QInputDialog::TextInput);
    box.setWindowTitle(title);
    // A prompt quotes what the user typed: shown as it stands, never as
    // markup, and with no "&" taken for an access key (the field has the
    // focus anyway). The box makes its label the field's buddy, which is
    // what reads "&", when it first lays itself out; so it is laid out
    // first, and the prompt set on the label once that is undone.
    box.adjustSize();
    if (auto *label = box.findChild<QLabel *>()) {
        label->setTextFormat(Qt::PlainText);
        label->setBuddy(nullptr);
    }
    box.setLabelText(prompt);
    box.setTextValue(QString());
    // A line edit silently cuts text at 32767 characters; an answer is
    // stored whole or not at all.
    if (auto *field = box.findChild<QLineEdit *>()) {
        field->setMaxLength(std::numeric_limits<int>::max());
        // With the label no longer its buddy, the field is named by the
        // prompt itself for screen readers.
        field->setAccessibleName(prompt);
    }
    return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}

} // namespace ui
