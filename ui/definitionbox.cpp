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

void DefinitionBox::showDefinition(const QString &text, qint64 shortenedFrom)
{
    if (shortenedFrom == 0) {
        setText(text);
        return;
    }
    m_text = text + QStringLiteral("\u2026\n\n[Only the beginning is shown: the definition holds %L1 bytes.]")
                        .arg(shortenedFrom);
    setPlainText(m_text);
}

} // namespace ui
