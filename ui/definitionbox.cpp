#include "ui/definitionbox.h"

#include <QEvent>
#include <QTextDocument>
#include <QTextOption>

#include <utility>

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

    followPalette();
}

void DefinitionBox::changeEvent(QEvent *event)
{
    QTextEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        followPalette();
}

void DefinitionBox::followPalette()
{
    // The box reads like a label: the face of the window, not a white field,
    // with the text colour made for that face, in whatever theme is current.
    // Only what differs is set, so the change this reports finds nothing.
    QPalette look = palette();
    bool same = true;
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (const auto &[role, from] :
             {std::pair{QPalette::Base, QPalette::Button}, std::pair{QPalette::Text, QPalette::ButtonText}}) {
            if (look.color(group, role) != look.color(group, from)) {
                look.setColor(group, role, look.color(group, from));
                same = false;
            }
        }
    }
    if (!same)
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
    m_text =
        text
        + QStringLiteral("\u2026\n\n[Only the beginning is shown: the definition holds %L1 bytes.]").arg(shortenedFrom);
    setPlainText(m_text);
}

} // namespace ui
