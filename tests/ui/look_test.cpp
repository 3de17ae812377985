#include "ui/deferrediconstyle.h"
#include "ui/look.h"

#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QStyleFactory>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The window icons are kept twice: as PNG for the icon theme and as bare
// pixels for the program. The two must show the same picture.
TEST(WindowIcons, TheBarePixelsShowThePngPictures)
{
    for (const char *name :
         {"orvex-16", "orvex-20", "orvex-24", "orvex-32", "orvex-48", "question-16", "question-32"}) {
        SCOPED_TRACE(name);
        const QImage png(QStringLiteral(ORVEX_ICONS_DIR "/%1.png").arg(QLatin1String(name)));
        ASSERT_FALSE(png.isNull());
        const QPixmap raw = ui::rgbaPixmap(QStringLiteral(":/icons/%1.rgba").arg(QLatin1String(name)));
        ASSERT_FALSE(raw.isNull());
        // Compared as the screen gets them, with the colours weighted by alpha.
        EXPECT_TRUE(raw.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied)
                    == png.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }
}

TEST(WindowIcons, AMissingPictureIsANullPixmap)
{
    EXPECT_TRUE(ui::rgbaPixmap(QStringLiteral(":/icons/none-16.rgba")).isNull());
    EXPECT_TRUE(ui::pngPixmap(QStringLiteral(":/icons/none-16.png")).isNull());
    EXPECT_FALSE(ui::pngPixmap(QStringLiteral(":/icons/flag-32.png")).isNull());
}

TEST(WindowIcons, EveryWindowIconSizeIsThere)
{
    const QList<QSize> program = ui::programIcon().availableSizes();
    for (const int side : {16, 20, 24, 32, 48})
        EXPECT_TRUE(program.contains(QSize(side, side))) << side;
    const QList<QSize> question = ui::questionIcon().availableSizes();
    for (const int side : {16, 32})
        EXPECT_TRUE(question.contains(QSize(side, side))) << side;
}

QImage drawn(const QIcon &icon, const QSize &size, QIcon::Mode mode)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    icon.paint(&painter, QRect(QPoint(), size), Qt::AlignCenter, mode);
    return image;
}

// The arrow comes later, but it must be the platform style's own arrow in
// every way a button may ask for it.
TEST(DeferredIconStyle, TheOverflowArrowsAreTheStylesOwnWhenLookedAt)
{
    ui::DeferredIconStyle style;
    const QStyle *platform = style.baseStyle();
    for (const QStyle::StandardPixmap which :
         {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton}) {
        SCOPED_TRACE(static_cast<int>(which));
        const QIcon deferred = style.standardIcon(which);
        const QIcon real = platform->standardIcon(which);
        EXPECT_EQ(deferred.isNull(), real.isNull());
        EXPECT_EQ(deferred.availableSizes(), real.availableSizes());
        for (const QSize size : {QSize(8, 8), QSize(16, 16), QSize(32, 32)}) {
            EXPECT_EQ(deferred.actualSize(size), real.actualSize(size));
            EXPECT_EQ(deferred.pixmap(size).toImage(), real.pixmap(size).toImage());
            EXPECT_EQ(deferred.pixmap(size, 2.0).toImage(), real.pixmap(size, 2.0).toImage());
            EXPECT_EQ(drawn(deferred, size, QIcon::Disabled), drawn(real, size, QIcon::Disabled));
        }

        // A copy that is changed keeps the arrow and leaves the first alone.
        QIcon changed = deferred;
        QPixmap dot(4, 4);
        dot.fill(Qt::red);
        changed.addPixmap(dot);
        EXPECT_EQ(deferred.availableSizes(), real.availableSizes());
        EXPECT_EQ(changed.pixmap(QSize(16, 16)).toImage(), real.pixmap(QSize(16, 16)).toImage());
    }
}

TEST(DeferredIconStyle, OtherIconsComeStraightFromTheStyle)
{
    ui::DeferredIconStyle style;
    for (const QStyle::StandardPixmap which :
         {QStyle::SP_MessageBoxCritical, QStyle::SP_MessageBoxQuestion, QStyle::SP_ArrowDown}) {
        const QIcon icon = style.standardIcon(which);
        EXPECT_EQ(icon.pixmap(QSize(32, 32)).toImage(),
                  style.baseStyle()->standardIcon(which).pixmap(QSize(32, 32)).toImage())
            << static_cast<int>(which);
    }
}

} // namespace
