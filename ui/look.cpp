#include "ui/look.h"

#include <QPalette>
#include <QStringList>

namespace ui {

QFont windowFont()
{
    return windowFont(8, QFont::Normal);
}

QFont windowFont(qreal pointSize, QFont::Weight weight)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setWeight(weight);
    return font;
}

void setTextColour(QWidget *widget, const QColor &colour)
{
    QPalette look = widget->palette();
    look.setColor(QPalette::WindowText, colour);
    widget->setPalette(look);
}

QIcon programIcon()
{
    // The sizes a window's title bar and task bar use; the larger renderings
    // are for the desktop's menus and come with the installed icon theme.
    QIcon icon;
    for (const int size : {16, 20, 24, 32, 48})
        icon.addFile(QStringLiteral(":/icons/orvex-%1.png").arg(size), QSize(size, size));
    return icon;
}

QIcon questionIcon()
{
    QIcon icon;
    for (const int size : {16, 32})
        icon.addFile(QStringLiteral(":/icons/question-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace ui
