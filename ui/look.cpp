#include "ui/look.h"

#include <cmath>

#include <QFontDatabase>
#include <QImage>
#include <QImageReader>
#include <QPalette>
#include <QPixmap>
#include <QResource>
#include <QStringList>
#include <QWindow>

namespace ui {

QFont windowFont()
{
    return windowFont(8, QFont::Normal);
}

const QStringList &windowFaces()
{
    static const QStringList faces{QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                                   QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                   QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")};
    return faces;
}

namespace {

// The first of the window's faces that is installed, looked up once. Naming
// it alone spares Qt asking the system for stand-ins for each missing face
// before it reaches one that is there, which costs the first text a millisecond.
QString windowFamily()
{
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        for (const QString &face : windowFaces()) {
            if (installed.contains(face, Qt::CaseInsensitive))
                return face;
        }
        return QString();
    }();
    return family;
}

} // namespace

QFont windowFont(qreal pointSize, QFont::Weight weight)
{
    QFont font;
    const QString family = windowFamily();
    if (!family.isEmpty())
        font.setFamily(family);
    font.setStyleHint(QFont::SansSerif); // none of them: the system's sans-serif face
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

QPixmap pngPixmap(const QString &path)
{
    // Read as PNG and nothing else: left to guess, Qt opens every
    // image-format plugin on the system first.
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

QPixmap rgbaPixmap(const QString &path)
{
    const QByteArray pixels = QResource(path).uncompressedData();
    const int side = static_cast<int>(std::lround(std::sqrt(pixels.size() / 4.0)));
    if (pixels.isEmpty() || qsizetype(side) * side * 4 != pixels.size())
        return QPixmap();
    const QImage view(reinterpret_cast<const uchar *>(pixels.constData()), side, side, side * 4,
                      QImage::Format_RGBA8888);
    // The conversion copies the pixels out of the buffer the view borrows.
    return QPixmap::fromImage(view.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

namespace {

QIcon rgbaIcon(const QString &pattern, std::initializer_list<int> sizes)
{
    QIcon icon;
    for (const int size : sizes)
        icon.addPixmap(rgbaPixmap(pattern.arg(size)));
    return icon;
}

} // namespace

void keepOffTaskbar(QWidget *window)
{
    auto *owner = new QWindow;
    owner->create();
    window->winId();
    window->windowHandle()->setTransientParent(owner);
    // A widget deletes its children before its own native window, and on
    // Windows destroying an owner takes the windows it owns along; so the
    // window lets go of its owner first, as it starts to go.
    QObject::connect(window, &QObject::destroyed, window, [window, owner] {
        if (QWindow *handle = window->windowHandle())
            handle->setTransientParent(nullptr);
        delete owner;
    });
}

QIcon programIcon()
{
    // The sizes a window's title bar and task bar use; the larger renderings
    // are for the desktop's menus and come with the installed icon theme.
    return rgbaIcon(QStringLiteral(":/icons/orvex-%1.rgba"), {16, 20, 24, 32, 48});
}

QIcon questionIcon()
{
    return rgbaIcon(QStringLiteral(":/icons/question-%1.rgba"), {16, 32});
}

} // namespace ui
