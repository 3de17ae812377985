#pragma once

#include <QIconEngine>
#include <QList>
#include <QPixmap>
#include <QString>

namespace ui {

// An icon kept as square renderings of its drawing, one per size a window
// needs at the common display scales, stored as bare RGBA pixels. A rendering
// is read only when a size first asks for it, and kept in Qt's pixmap cache,
// so that offering the sizes of every scale costs a start at 100 % next to
// nothing; a size in between is the next larger rendering scaled down.
class RgbaIconEngine : public QIconEngine
{
public:
    // pattern holds "%1" for the side in pixels, e.g. ":/icons/orvex-%1.rgba".
    RgbaIconEngine(const QString &pattern, const QList<int> &sides);

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QIconEngine *clone() const override;
    QString key() const override;

private:
    // The rendering to draw a square of this side from.
    int sideFor(int side) const;
    QPixmap rendering(int side);

    QString m_pattern;
    QList<int> m_sides; // ascending
};

} // namespace ui
