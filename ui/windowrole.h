#pragma once

#include <QAccessible>

class QWidget;

namespace ui {

// Makes screen readers meet a window built on a plain widget as the kind of
// window it is (Qt calls any plain widget a bare "client" area, which
// screen readers do not announce as a window at all).
void announceAs(QWidget *window, QAccessible::Role role);

} // namespace ui
