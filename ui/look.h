#pragma once

#include <QFont>
#include <QIcon>
#include <QPalette>
#include <QPixmap>
#include <QStringList>
#include <QWidget>

namespace ui {

// The faces the windows' font may be drawn in, the preferred first.
const QStringList &windowFaces();

// The windows' default font: 8 pt in the first installed of windowFaces(),
// or in the system's sans-serif face where none of them is.
QFont windowFont();

// The same family at another size and weight, for the few labels with a
// font of their own.
QFont windowFont(qreal pointSize, QFont::Weight weight);

// A window with a fixed single-line border, a minimize box and a close box
// but no maximize box, and a taskbar button of its own.
inline constexpr Qt::WindowFlags kFixedWindowFlags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                                                     | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                                                     | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;

// The contrast of two colours as the web's accessibility guidelines reckon
// it, from 1 (the same) to 21 (black on white).
double contrastRatio(const QColor &a, const QColor &b);

// What body text needs against its background to be read by everyone.
inline constexpr double kMinimumContrast = 4.5;

// Gives a label (or any widget) text of its own colour while that stands out
// from the window's background; on a background it does not (a dark theme)
// the text takes the palette's fallback colour instead.
void setTextColour(QWidget *widget, const QColor &colour, QPalette::ColorRole fallback = QPalette::WindowText);

// Names a control (its objectName, which tests and accessibility tools
// find it by) and puts it at its fixed place in the window's client area.
template<typename Widget>
Widget *place(Widget *widget, const char *name, int x, int y, int width, int height)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(x, y, width, height);
    return widget;
}

// A PNG picture from the program's resources (a null pixmap when missing).
QPixmap pngPixmap(const QString &path);

// A square picture from the program's resources stored as bare RGBA pixels,
// 8 bits a channel, straight alpha (a null pixmap when missing or not square).
QPixmap rgbaPixmap(const QString &path);

// Keeps a top-level window off the taskbar while its title bar stays that of
// a dialog. Windows gives no taskbar button to a window that has an owner, so
// the window gets an owner of its own that is never shown; X11 window
// managers likewise keep a window that is transient for another off their
// taskbars. The window still has no parent widget: it is owned by neither
// the main window nor any other window the user sees.
void keepOffTaskbar(QWidget *window);

// A stack of books with a magnifying glass.
QIcon programIcon();

// A green disc with a white question mark.
QIcon questionIcon();

// The About window's flag, 32 x 32 in the window, drawn for a screen of this
// ratio of device pixels to the window's pixels.
QPixmap flagPixmap(qreal devicePixelRatio);

} // namespace ui
