#include "ui/readablecolour.h"

#include "ui/look.h"

#include <QEvent>
#include <QWidget>

namespace ui {

ReadableColour::ReadableColour(QWidget *widget, const QColor &wanted, QPalette::ColorRole fallback)
    : QObject(widget)
    , m_widget(widget)
    , m_wanted(wanted)
    , m_fallback(fallback)
{
    apply();
    widget->installEventFilter(this);
}

QColor ReadableColour::chosen(const QPalette &palette, const QColor &wanted, QPalette::ColorRole fallback)
{
    const QColor background = palette.color(QPalette::Window);
    for (const QColor &colour : {wanted, palette.color(fallback)}) {
        if (contrastRatio(colour, background) >= kMinimumContrast)
            return colour;
    }
    return palette.color(QPalette::WindowText);
}

bool ReadableColour::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_widget && event->type() == QEvent::PaletteChange)
        apply();
    return QObject::eventFilter(watched, event);
}

void ReadableColour::apply()
{
    const QColor colour = chosen(m_widget->palette(), m_wanted, m_fallback);
    // Setting the palette reports a change of its own: only set what differs,
    // so that the second report finds nothing to do.
    if (m_widget->palette().color(QPalette::Active, QPalette::WindowText) == colour
        && m_widget->palette().color(QPalette::Inactive, QPalette::WindowText) == colour)
        return;
    QPalette look = m_widget->palette();
    look.setColor(QPalette::Active, QPalette::WindowText, colour);
    look.setColor(QPalette::Inactive, QPalette::WindowText, colour);
    m_widget->setPalette(look);
}

} // namespace ui
