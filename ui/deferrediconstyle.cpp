#include "ui/deferrediconstyle.h"

#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include <optional>

namespace ui {

namespace {

// Asks the style for the real icon the first time anyone looks at it, and
// answers everything from that icon afterwards.
class DeferredIconEngine : public QIconEngine
{
public:
    DeferredIconEngine(QStyle *style, QStyle::StandardPixmap which, const QWidget *widget)
        : m_style(style)
        , m_which(which)
        // Only watched, so that a widget deleted meanwhile is not asked about.
        , m_widget(const_cast<QWidget *>(widget))
    {}

    // QIcon hands an engine sizes in device pixels; the real icon is asked
    // through QIcon too, so each call names a ratio of 1 or divides it out,
    // lest the ratio be applied twice.
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, 1.0, mode, state);
    }

    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        if (!(scale > 1.0))
            return pixmap(size, mode, state);
        // Back to the size QIcon multiplied: rounding it there and back
        // gives the same device size for any ratio above 1.
        const QSize logical(qRound(size.width() / scale), qRound(size.height() / scale));
        return icon().pixmap(logical, scale, mode, state);
    }

    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        // QIcon::actualSize would apply the screen's ratio; the picture at
        // that size is what an engine's actual size means.
        return pixmap(size, mode, state).size();
    }

    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }

    bool isNull() override { return icon().isNull(); }

    QString key() const override { return QStringLiteral("DeferredIconEngine"); }

    QIconEngine *clone() const override
    {
        auto *copy = new DeferredIconEngine(m_style, m_which, m_widget);
        copy->m_icon = m_icon;
        return copy;
    }

private:
    QIcon &icon()
    {
        if (!m_icon)
            m_icon = m_style ? m_style->standardIcon(m_which, nullptr, m_widget) : QIcon();
        return *m_icon;
    }

    QPointer<QStyle> m_style;
    QStyle::StandardPixmap m_which;
    QPointer<QWidget> m_widget;
    std::optional<QIcon> m_icon;
};

} // namespace

DeferredIconStyle::DeferredIconStyle(const QString &key)
    : QProxyStyle(key)
{}

QIcon DeferredIconStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption *option,
                                      const QWidget *widget) const
{
    const bool overflowArrow =
        standardIcon == SP_ToolBarHorizontalExtensionButton || standardIcon == SP_ToolBarVerticalExtensionButton;
    if (overflowArrow && option == nullptr)
        return QIcon(new DeferredIconEngine(baseStyle(), standardIcon, widget));
    return QProxyStyle::standardIcon(standardIcon, option, widget);
}

} // namespace ui
