#pragma once

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

} // namespace testing_support
