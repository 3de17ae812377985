#include "ui/look.h"

#include "ui/readablecolour.h"
#include "ui/rgbaiconengine.h"

#include <algorithm>
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
                                   // DejaVu's narrower face first, where installed.
                                   QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans Condensed"),
                                   QStringLiteral("DejaVu Sans")};
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

namespace {

double relativeLuminance(const QColor &colour)
{
    const auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void setTextColour(QWidget *widget, const QColor &colour, QPalette::ColorRole fallback)
{
    new ReadableColour(widget, colour, fallback);
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
    // The title bar's and task bar's sizes at 100, 125, 150 and 200 %; the
    // larger renderings are for the desktop's menus and come with the
    // installed icon theme.
    return QIcon(new RgbaIconEngine(QStringLiteral(":/icons/orvex-%1.rgba"), {16, 20, 24, 30, 32, 36, 40, 48}));
}

QIcon questionIcon()
{
    return QIcon(new RgbaIconEngine(QStringLiteral(":/icons/question-%1.rgba"), {16, 20, 24, 32, 40, 48, 64}));
}

QPixmap flagPixmap(qreal devicePixelRatio)
{
    // Rendered for 100, 125, 150 and 200 %: the nearest that is not smaller
    // than the screen needs, marked so that it covers 32 x 32 all the same.
    int side = 64;
    for (const int rendered : {32, 40, 48, 64}) {
        if (rendered >= 32 * devicePixelRatio - 0.01) {
            side = rendered;
            break;
        }
    }
    QPixmap flag = pngPixmap(QStringLiteral(":/icons/flag-%1.png").arg(side));
    flag.setDevicePixelRatio(side / 32.0);
    return flag;
}

} // namespace ui
