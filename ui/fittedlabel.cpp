#include "ui/fittedlabel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace ui {

FittedLabel::FittedLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    // Shown as it stands: an acronym or an address is never markup.
    setTextFormat(Qt::PlainText);
}

QRect FittedLabel::textRect() const
{
    return contentsRect().adjusted(margin(), margin(), -margin(), -margin());
}

bool FittedLabel::isElided() const
{
    const QRect area = textRect();
    const QFontMetrics metrics = fontMetrics();
    // Blanks at the end show nothing ("Acronym: "), so they need no room.
    QString shown = text();
    while (shown.endsWith(QLatin1Char(' ')))
        shown.chop(1);
    const int flags = int(alignment()) | (wordWrap() ? Qt::TextWordWrap : 0);
    const QRect needed = metrics.boundingRect(area, flags, shown);
    // Lines are drawn a line's height apart; the measure above rounds each
    // line's parts up on its own, which would cut a label that fits.
    const double measured = needed.height() / double(metrics.lineSpacing());
    const int lines = std::max(1, int(std::lround(measured)));
    return needed.width() > area.width() || lines * metrics.height() > area.height();
}

QStringList FittedLabel::elidedLines() const
{
    const QRect area = textRect();
    const QFontMetrics metrics = fontMetrics();
    const QString whole = text();
    if (!wordWrap())
        return {metrics.elidedText(whole, Qt::ElideRight, area.width())};

    QTextLayout layout(whole, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QStringList lines;
    int height = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(area.width());
        height += metrics.height();
        const bool lastRoom = height + metrics.height() > area.height();
        if (lastRoom) {
            // Whatever follows goes into this line, cut to fit.
            lines << metrics.elidedText(whole.mid(line.textStart()), Qt::ElideRight, area.width());
            break;
        }
        QString shown = whole.mid(line.textStart(), line.textLength());
        // The blank at which the line breaks is not part of what it shows.
        while (shown.endsWith(QLatin1Char(' ')))
            shown.chop(1);
        lines << shown;
    }
    layout.endLayout();
    return lines;
}

bool FittedLabel::event(QEvent *event)
{
    // A label with no tooltip of its own shows its whole text when cut.
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty() && isElided()) {
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), text(), this);
        return true;
    }
    return QLabel::event(event);
}

void FittedLabel::paintEvent(QPaintEvent *event)
{
    if (!isElided()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QRect area = textRect();
    const int lineHeight = fontMetrics().height();
    const Qt::Alignment across = alignment() & Qt::AlignHorizontal_Mask;
    const QStringList lines = elidedLines();
    const int block = int(lines.size()) * lineHeight;
    int top = area.top();
    if (alignment() & Qt::AlignVCenter)
        top += std::max(0, (area.height() - block) / 2);
    else if (alignment() & Qt::AlignBottom)
        top += std::max(0, area.height() - block);
    for (const QString &line : lines) {
        style()->drawItemText(&painter, QRect(area.left(), top, area.width(), lineHeight), int(across | Qt::AlignTop),
                              palette(), isEnabled(), line, foregroundRole());
        top += lineHeight;
    }
}

} // namespace ui
