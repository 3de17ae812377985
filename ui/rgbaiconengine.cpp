#include "ui/rgbaiconengine.h"

#include "ui/look.h"

#include <QApplication>
#include <QPainter>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace ui {

RgbaIconEngine::RgbaIconEngine(const QString &pattern, const QList<int> &sides)
    : m_pattern(pattern)
    , m_sides(sides)
{
    std::sort(m_sides.begin(), m_sides.end());
}

int RgbaIconEngine::sideFor(int side) const
{
    for (const int available : m_sides) {
        if (available >= side)
            return available;
    }
    return m_sides.isEmpty() ? 0 : m_sides.last();
}

QPixmap RgbaIconEngine::rendering(int side)
{
    // Shared by every icon made from the same renderings: the program's icon
    // is both the application's and the main window's.
    const QString path = m_pattern.arg(side);
    QPixmap found;
    if (!QPixmapCache::find(path, &found)) {
        found = rgbaPixmap(path);
        QPixmapCache::insert(path, found);
    }
    return found;
}

QSize RgbaIconEngine::actualSize(const QSize &size, QIcon::Mode, QIcon::State)
{
    // Never larger than asked, and never larger than the largest rendering.
    const int asked = std::min(size.width(), size.height());
    const int side = std::min(asked, sideFor(std::max(size.width(), size.height())));
    return QSize(side, side);
}

QPixmap RgbaIconEngine::pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    const QSize wanted = actualSize(size, mode, state);
    if (wanted.isEmpty())
        return QPixmap();
    QPixmap result = rendering(sideFor(wanted.width()));
    if (result.isNull())
        return result;
    if (result.size() != wanted)
        result = result.scaled(wanted, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (mode != QIcon::Normal && mode != QIcon::Active) {
        QStyleOption option;
        option.palette = QApplication::palette();
        result = QApplication::style()->generatedIconPixmap(mode, result, &option);
    }
    return result;
}

void RgbaIconEngine::paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state)
{
    // Drawn from the rendering that fills the rectangle in device pixels.
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QPixmap drawn = pixmap(rect.size() * ratio, mode, state);
    if (drawn.isNull())
        return;
    drawn.setDevicePixelRatio(ratio);
    const QSize shown = drawn.deviceIndependentSize().toSize();
    const QRect target = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, shown, rect);
    painter->drawPixmap(target, drawn);
}

QList<QSize> RgbaIconEngine::availableSizes(QIcon::Mode, QIcon::State)
{
    QList<QSize> sizes;
    for (const int side : m_sides)
        sizes << QSize(side, side);
    return sizes;
}

QIconEngine *RgbaIconEngine::clone() const
{
    return new RgbaIconEngine(m_pattern, m_sides);
}

QString RgbaIconEngine::key() const
{
    return QStringLiteral("RgbaIconEngine");
}

} // namespace ui
