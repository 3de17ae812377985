#include "ui/info/linklabelaccessible.h"

#include "ui/info/linklabel.h"

namespace ui {

LinkLabelAccessible::LinkLabelAccessible(LinkLabel *label)
    : QAccessibleWidget(label, QAccessible::Link)
{}

LinkLabel *LinkLabelAccessible::label() const
{
    return static_cast<LinkLabel *>(widget());
}

QString LinkLabelAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && label()->accessibleName().isEmpty())
        return label()->text();
    return QAccessibleWidget::text(t);
}

QAccessible::State LinkLabelAccessible::state() const
{
    QAccessible::State result = QAccessibleWidget::state();
    result.linked = true;
    return result;
}

QStringList LinkLabelAccessible::actionNames() const
{
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void LinkLabelAccessible::doAction(const QString &actionName)
{
    if (actionName == pressAction())
        label()->click();
    else
        QAccessibleWidget::doAction(actionName);
}

} // namespace ui
