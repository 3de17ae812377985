#include "ui/info/linklabel.h"

#include "ui/info/linklabelaccessible.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace ui {

namespace {

QAccessibleInterface *linkLabelAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String("ui::LinkLabel") && object && object->isWidgetType())
        return new LinkLabelAccessible(static_cast<LinkLabel *>(object));
    return nullptr;
}

} // namespace

LinkLabel::LinkLabel(const QString &text, QWidget *parent)
    : FittedLabel(text, parent)
{
    // Screen readers meet it as a link they can follow, not as bare text.
    static const bool registered = [] {
        QAccessible::installFactory(linkLabelAccessible);
        return true;
    }();
    Q_UNUSED(registered);
    setFocusPolicy(Qt::TabFocus);
}

void LinkLabel::click()
{
    emit clicked();
}

void LinkLabel::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)
        && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->accept();
        // A key held down is one hand-off, not one per repeat.
        if (!event->isAutoRepeat())
            click();
        return;
    }
    FittedLabel::keyPressEvent(event);
}

void LinkLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        event->accept();
        return;
    }
    FittedLabel::mousePressEvent(event);
}

void LinkLabel::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double-click is no second click: one hand-off,
    // not two mail messages.
    if (event->button() == Qt::LeftButton) {
        event->accept();
        return;
    }
    FittedLabel::mouseDoubleClickEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        event->accept();
        // Releasing elsewhere takes the click back, as with a button.
        if (rect().contains(event->position().toPoint()))
            click();
        return;
    }
    FittedLabel::mouseReleaseEvent(event);
}

void LinkLabel::paintEvent(QPaintEvent *event)
{
    FittedLabel::paintEvent(event);
    if (!hasFocus())
        return;
    // The style's focus frame around the text, one pixel clear of it.
    QRect around = textRect();
    if (!isElided()) {
        const int flags = int(alignment()) | (wordWrap() ? Qt::TextWordWrap : 0);
        around = fontMetrics().boundingRect(around, flags, text());
    }
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = around.adjusted(-1, 0, 1, 0) & rect();
    option.backgroundColor = palette().color(backgroundRole());
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

} // namespace ui
