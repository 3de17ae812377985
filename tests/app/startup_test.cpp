// What starting the program costs besides its window: no image-format plugin
// read and a single font face opened. Each test runs in a process of its own,
// so nothing another test loaded is counted.
#include "app/application.h"
#include "app/fontwarmup.h"
#include "ui/look.h"
#include "ui/main/frmmain.h"
#include "support/fakeboxes.h"
#include "support/tempdictionary.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QProxyStyle>
#include <QStyle>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

namespace {

// The files the process has mapped, from the kernel's list.
QSet<QString> mappedFiles()
{
    QSet<QString> files;
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return files;
    const QStringList lines = QString::fromLocal8Bit(maps.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const int slash = line.indexOf(QLatin1Char('/'));
        if (slash >= 0)
            files.insert(line.mid(slash));
    }
    return files;
}

TEST(StartUp, ShowingTheMainWindowReadsNoImagePluginAndOneFontFace)
{
    if (!QFile::exists(QStringLiteral("/proc/self/maps")))
        GTEST_SKIP() << "no list of mapped files on this system";

    app::FontWarmUp fonts;
    fonts.wait();
    app::setUpApplication();
    testing_support::TempDictionary dictionary;
    testing_support::FakeBoxes boxes;
    ui::frmMain window(ui::Services{boxes, store::Location::file(dictionary.path())});
    window.show();
    window.grab(); // every control painted, text included

    const QSet<QString> files = mappedFiles();
    ASSERT_FALSE(files.isEmpty());
    for (const QString &file : files)
        EXPECT_FALSE(file.contains(QLatin1String("/imageformats/"))) << qPrintable(file);

    static const QRegularExpression fontFile(QStringLiteral("\\.(ttf|ttc|otf|otc|pfb|pfa)$"),
                                             QRegularExpression::CaseInsensitiveOption);
    QStringList faces;
    for (const QString &file : files) {
        if (fontFile.match(file).hasMatch())
            faces << file;
    }
    EXPECT_LE(faces.size(), 1) << qPrintable(faces.join(QLatin1String(", ")));
}

TEST(StartUp, TheWindowFontNamesTheFirstInstalledFaceAndIsDrawnInIt)
{
    // Drawn in any other face than the one it names, Qt has stood in for a
    // face that is not there: the window looks other than chosen and starts
    // slower.
    const QStringList installed = QFontDatabase::families();
    QString expected;
    for (const QString &face : ui::windowFaces()) {
        if (installed.contains(face, Qt::CaseInsensitive)) {
            expected = face;
            break;
        }
    }
    if (expected.isEmpty())
        GTEST_SKIP() << "none of the window's faces is installed here";
    for (const QFont &font : {ui::windowFont(), ui::windowFont(9.75, QFont::Bold)}) {
        EXPECT_EQ(font.family().toStdString(), expected.toStdString());
        EXPECT_EQ(QFontInfo(font).family().toStdString(), expected.toStdString());
    }
}

TEST(StartUp, TheStyleChosenForTheApplicationIsKept)
{
    // As with -style windows on the command line.
    QApplication::setStyle(QStringLiteral("Windows"));
    ASSERT_EQ(QApplication::style()->name().toLower().toStdString(), "windows");
    app::setUpApplication();
    const auto *proxy = qobject_cast<const QProxyStyle *>(QApplication::style());
    ASSERT_NE(proxy, nullptr);
    EXPECT_EQ(proxy->baseStyle()->name().toLower().toStdString(), "windows");
}

} // namespace
