#pragma once

#include <QFont>
#include <QIcon>

namespace ui {

// The windows' default font: MS Sans Serif 8 pt, or the closest sans-serif
// face where that is not installed.
QFont windowFont();

// The same family at another size and weight, for the few labels with a
// font of their own.
QFont windowFont(qreal pointSize, QFont::Weight weight);

// A stack of books with a magnifying glass.
QIcon programIcon();

// A green disc with a white question mark.
QIcon questionIcon();

} // namespace ui
