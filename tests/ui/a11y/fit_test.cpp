// Every fixed label in every installed window face, at the scale this run
// was started with (QT_SCALE_FACTOR; CTest runs it at 1, 1.25, 1.5 and 2):
// its text fits its rectangle, or is cut at a whole letter with "…" and the
// whole text still there for screen readers and the tooltip; every button's
// caption fits the button. Icons are drawn
// at the screen's own pixels, never blown up.
#include "a11y/windows.h"
#include "ui/fittedlabel.h"
#include "ui/look.h"

#include <QAccessible>
#include <QApplication>
#include <QFontDatabase>
#include <QHelpEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QToolTip>

#include <gtest/gtest.h>

#include <cmath>

using testing_support::FourWindows;

namespace {

qreal scale()
{
    const QByteArray factor = qgetenv("QT_SCALE_FACTOR");
    return factor.isEmpty() ? 1.0 : factor.toDouble();
}

// Draws the windows in face instead of the one the program chose, keeping
// every size and weight, and the Terminal-style label its own face.
void useFace(QWidget *window, const QString &face)
{
    const QString chosen = ui::windowFont().family();
    QList<QWidget *> widgets = window->findChildren<QWidget *>();
    widgets.prepend(window);
    for (QWidget *widget : widgets) {
        if (widget != window && !widget->testAttribute(Qt::WA_SetFont))
            continue;
        QFont font = widget->font();
        if (font.family() != chosen)
            continue;
        font.setFamily(face);
        widget->setFont(font);
    }
}

QStringList installedFaces()
{
    QStringList faces;
    const QStringList installed = QFontDatabase::families();
    for (const QString &face : ui::windowFaces()) {
        if (installed.contains(face, Qt::CaseInsensitive))
            faces << face;
    }
    return faces;
}

QString toolTipShown(QLabel *label)
{
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), label->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(label, &help);
    const QString shown = QToolTip::isVisible() ? QToolTip::text() : QString();
    QToolTip::hideText();
    return shown;
}

void checkLabel(ui::FittedLabel *label)
{
    SCOPED_TRACE(label->objectName().toStdString());
    const QRect area = label->contentsRect();
    const QFontMetrics metrics = label->fontMetrics();
    if (!label->isElided()) {
        // Every line of it, as the label breaks them, within the rectangle.
        const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
        const QRect needed = metrics.boundingRect(area, flags, label->text().trimmed());
        EXPECT_LE(needed.width(), area.width());
        EXPECT_LE(std::lround(needed.height() / double(metrics.lineSpacing())) * metrics.height(), area.height());
        return;
    }
    const QStringList lines = label->elidedLines();
    ASSERT_FALSE(lines.isEmpty());
    // At least one whole line of text shows; what shows fits.
    EXPECT_LE(metrics.height(), area.height());
    EXPECT_LE(lines.size() * metrics.height(), std::max(area.height(), metrics.height()));
    QString shown;
    for (const QString &line : lines) {
        EXPECT_LE(metrics.horizontalAdvance(line), area.width()) << qPrintable(line);
        shown += line;
    }
    EXPECT_TRUE(lines.last().endsWith(QChar(0x2026)) || lines.last().endsWith(QLatin1String("...")))
        << qPrintable(lines.last());
    // The text stays whole where it is read.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name), label->text());
    if (label->toolTip().isEmpty()) {
        EXPECT_EQ(toolTipShown(label), label->text());
    }
}

// A button's caption within the part of the button the style draws it in.
void checkButton(QPushButton *button)
{
    SCOPED_TRACE(button->objectName().toStdString());
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const QRect contents = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    const QString shown = QString(button->text()).remove(QLatin1Char('&'));
    EXPECT_LE(button->fontMetrics().horizontalAdvance(shown), contents.width());
    EXPECT_LE(button->fontMetrics().height(), contents.height());
}

TEST(FixedRectangles, EveryLabelFitsOrIsCutWithItsWholeTextKept)
{
    ASSERT_NEAR(qApp->devicePixelRatio(), scale(), 0.001) << "the scale did not take";
    const QStringList faces = installedFaces();
    ASSERT_FALSE(faces.isEmpty());
    for (const QString &face : faces) {
        SCOPED_TRACE(face.toStdString());
        // A long acronym with blanks and a long definition, as a user may store.
        FourWindows windows(QStringLiteral("INTERNATIONAL BUSINESS MACHINES CORPORATION"),
                            QString(400, QLatin1Char('x')));
        for (QWidget *window : windows.all()) {
            useFace(window, face);
            for (auto *label : window->findChildren<ui::FittedLabel *>())
                checkLabel(label);
            for (auto *button : window->findChildren<QPushButton *>())
                checkButton(button);
        }
        auto *acronym = windows.edit->findChild<ui::FittedLabel *>(QStringLiteral("lblNym"));
        EXPECT_TRUE(acronym->isElided());
    }
}

// The labels the program lays out in its own chosen face, as shipped, fit
// without cutting.
TEST(FixedRectangles, TheFirstInstalledFaceFitsEveryFixedText)
{
    FourWindows windows;
    for (QWidget *window : windows.all()) {
        for (auto *label : window->findChildren<ui::FittedLabel *>())
            EXPECT_FALSE(label->isElided())
                << qPrintable(label->objectName()) << " in " << qPrintable(ui::windowFont().family());
    }
}

TEST(Icons, AreDrawnAtTheScreensOwnPixels)
{
    const qreal ratio = scale();
    const struct
    {
        const char *name;
        QIcon icon;
        int side;
    } icons[] = {{"program, title bar", ui::programIcon(), 16},
                 {"program, 24", ui::programIcon(), 24},
                 {"question, title bar", ui::questionIcon(), 16},
                 {"question, 32", ui::questionIcon(), 32}};
    for (const auto &icon : icons) {
        SCOPED_TRACE(icon.name);
        const int device = int(std::lround(icon.side * ratio));
        // A rendering of that very size is there to be drawn, not a smaller
        // one stretched.
        EXPECT_TRUE(icon.icon.availableSizes().contains(QSize(device, device))) << device;
        EXPECT_EQ(icon.icon.pixmap(QSize(icon.side, icon.side), ratio).size(), QSize(device, device));
    }
    const QPixmap flag = ui::flagPixmap(ratio);
    EXPECT_EQ(flag.size(), QSize(int(std::lround(32 * ratio)), int(std::lround(32 * ratio))));
    EXPECT_EQ(flag.deviceIndependentSize().toSize(), QSize(32, 32));
}

} // namespace
