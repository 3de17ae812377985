#pragma once

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

namespace testing_support {

// The control named name, of kind T, inside window; fails the test when the
// window has no such control.
template<typename T>
T *control(const QObject &window, const char *name)
{
    T *found = window.findChild<T *>(QLatin1String(name));
    if (!found)
        ADD_FAILURE() << "no control " << name;
    return found;
}

// The open top-level window named name (frmEdit, frmAbout, ...), or null.
inline QWidget *openWindow(const char *name)
{
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top->objectName() == QLatin1String(name) && top->isVisible())
            return top;
    }
    return nullptr;
}

} // namespace testing_support
