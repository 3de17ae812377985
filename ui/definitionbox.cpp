#include "ui/definitionbox.h"

#include <QTextDocument>
#include <QTextOption>

namespace ui {

DefinitionBox::DefinitionBox(QWidget *parent)
    : QTextEdit(parent)
{
    setReadOnly(true);
    setAcceptRichText(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QTextEdit::WidgetWidth);

    QTextOption option = document()->defaultTextOption();
    option.setAlignment(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document()->setDefaultTextOption(option);

    // The box reads like a label: the face of the window, not a white field.
    QPalette look = palette();
    look.setColor(QPalette::Base, look.color(QPalette::Button));
    setPalette(look);
}

void DefinitionBox::setText(const QString &text)
{
    m_text = text;
    setPlainText(text);
}

} // namespace ui
