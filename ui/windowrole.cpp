#include "ui/windowrole.h"

#include <QAccessibleWidget>
#include <QVariant>
#include <QWidget>

namespace ui {

namespace {

const char kRoleProperty[] = "orvexAccessibleRole";

QAccessibleInterface *windowWithRole(const QString &, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    const QVariant role = object->property(kRoleProperty);
    if (!role.isValid())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget *>(object), static_cast<QAccessible::Role>(role.toInt()));
}

} // namespace

void announceAs(QWidget *window, QAccessible::Role role)
{
    static const bool registered = [] {
        QAccessible::installFactory(windowWithRole);
        return true;
    }();
    Q_UNUSED(registered);
    window->setProperty(kRoleProperty, int(role));
}

} // namespace ui
