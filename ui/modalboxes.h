#pragma once

#include <QString>

namespace ui {

// The program's title, carried by every box that names no title of its own.
inline const QString kAppTitle = QStringLiteral("orvex");

// Message boxes and input boxes, modal to the whole program. Windows receive
// this interface so that tests can script the answers.
class ModalBoxes
{
public:
    enum class Icon { None, Critical, Warning, Information };

    virtual ~ModalBoxes() = default;

    // A box with the text, the title, the icon and one OK button.
    virtual void message(const QString &text, const QString &title, Icon icon) = 0;

    // A box with the prompt, the title, an empty one-line field, OK and
    // Cancel. Gives the field's text on OK and "" on Cancel.
    virtual QString input(const QString &prompt, const QString &title) = 0;
};

} // namespace ui
