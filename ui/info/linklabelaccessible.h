#pragma once

#include <QAccessibleWidget>

namespace ui {

class LinkLabel;

// How a screen reader meets an address label: a link named by its address,
// described by its tooltip, that can be followed.
class LinkLabelAccessible : public QAccessibleWidget
{
public:
    explicit LinkLabelAccessible(LinkLabel *label);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

private:
    LinkLabel *label() const;
};

} // namespace ui
