#include "ui/info/frmabout.h"

#include "platform/fakeprograms.h"
#include "platform/fakeregistry.h"
#include "support/casename.h"
#include "support/fakeboxes.h"
#include "support/printers.h"
#include "support/widgets.h"

#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>

using platform::Registry;
using testing_support::control;
using testing_support::FakeBoxes;
using testing_support::FakeFileProbe;
using testing_support::FakeProgramStarter;
using testing_support::FakeRegistry;
using Icon = ui::ModalBoxes::Icon;

namespace {

const QString kPathKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kFolderKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");

class AboutFixture
{
protected:
    AboutFixture()
        : window(services())
    {}

    ui::Services services()
    {
        ui::Services result{boxes, store::Location::file(QString())};
        result.registry = &registry;
        result.programs = &programs;
        result.files = &files;
        return result;
    }

    FakeBoxes boxes;
    FakeRegistry registry;
    FakeProgramStarter programs;
    FakeFileProbe files;
    ui::frmAbout window;
};

// ---------------------------------------------------------------- GetKeyValue

struct ValueCase
{
    const char *name;
    std::function<void(FakeRegistry &)> store;
    bool read;
    QString expected; // KeyVal after the call; it starts as "before"
};

class GetKeyValue : public AboutFixture, public ::testing::TestWithParam<ValueCase>
{};

TEST_P(GetKeyValue, ReadsTheValueOpensForReadingOnlyAndClosesTheKey)
{
    GetParam().store(registry);
    QString value = QStringLiteral("before");

    const bool read =
        window.GetKeyValue(Registry::kLocalMachine, QStringLiteral("Software\\Test"), QStringLiteral("Value"), value);

    EXPECT_EQ(read, GetParam().read);
    EXPECT_EQ(value, GetParam().expected);
    ASSERT_EQ(registry.openings().size(), 1);
    EXPECT_EQ(registry.openings()[0].root, Registry::kLocalMachine);
    EXPECT_EQ(registry.openings()[0].options, 0u);
    EXPECT_EQ(registry.openings()[0].access, 0x20019u);
    for (const quint32 offer : registry.offers())
        EXPECT_EQ(offer, 1024u);
    EXPECT_EQ(registry.openCount(), 0) << "a key was left open";
}

const QString kKey = QStringLiteral("Software\\Test");
const QString kName = QStringLiteral("Value");

std::function<void(FakeRegistry &)> stored(quint32 type, const QByteArray &bytes)
{
    return [type, bytes](FakeRegistry &r) { r.set(kKey, kName, type, bytes); };
}

QByteArray withNul(const char *text)
{
    return QByteArray(text) + '\0';
}

INSTANTIATE_TEST_SUITE_P(
    Values, GetKeyValue,
    ::testing::Values(
        ValueCase{"StringWithItsNul", stored(Registry::kString, withNul("C:\\Info\\msinfo32.exe")),
                  true, QStringLiteral("C:\\Info\\msinfo32.exe")},
        ValueCase{"StringWithoutNul", stored(Registry::kString, QByteArray("abc")), true,
                  QStringLiteral("abc")},
        ValueCase{"EmptyStringAsOneNul", stored(Registry::kString, QByteArray(1, '\0')), true,
                  QString()},
        ValueCase{"SizeZero", stored(Registry::kString, QByteArray()), true, QString()},
        ValueCase{"NonAsciiText",
                  [](FakeRegistry &r) { r.setString(kKey, kName, QString::fromUtf8("Caf\u00e9")); },
                  true, QString::fromUtf8("Caf\u00e9")},
        ValueCase{"Exactly1024BytesWithNul",
                  stored(Registry::kString, QByteArray(1023, 'a') + '\0'), true,
                  QString(1023, QLatin1Char('a'))},
        ValueCase{"Exactly1024BytesWithoutNul", stored(Registry::kString, QByteArray(1024, 'a')),
                  true, QString(1024, QLatin1Char('a'))},
        ValueCase{"Over1024BytesIsAbsent",
                  stored(Registry::kString, QByteArray(1024, 'a') + '\0'), false, QString()},
        ValueCase{"DwordSmall", stored(Registry::kDword, QByteArray("\x1f\0\0\0", 4)), true,
                  QStringLiteral("31")},
        ValueCase{"DwordLittleEndian", stored(Registry::kDword, QByteArray("\x78\x56\x34\x12", 4)),
                  true, QStringLiteral("305419896")},
        ValueCase{"DwordHighBitUnsigned",
                  stored(Registry::kDword, QByteArray("\xff\xff\xff\xff", 4)), true,
                  QStringLiteral("4294967295")},
        ValueCase{"ExpandStringIsExpanded",
                  [](FakeRegistry &r) {
                      r.set(kKey, kName, Registry::kExpandString,
                            withNul("%ProgramFiles%\\Info\\msinfo32.exe"));
                      r.setEnvironment(QStringLiteral("ProgramFiles"),
                                       QStringLiteral("C:\\Program Files"));
                  },
                  true, QStringLiteral("C:\\Program Files\\Info\\msinfo32.exe")},
        ValueCase{"BinaryLeavesTheTextAsItWas", stored(Registry::kBinary, QByteArray("\x01\x02", 2)),
                  true, QStringLiteral("before")},
        ValueCase{"KeyMissing", [](FakeRegistry &) {}, false, QString()},
        ValueCase{"ValueMissing",
                  [](FakeRegistry &r) { r.set(kKey, QStringLiteral("Other"), 1, withNul("x")); },
                  false, QString()},
        ValueCase{"KeyRefused",
                  [](FakeRegistry &r) {
                      r.setString(kKey, kName, QStringLiteral("x"));
                      r.failOpen(kKey, Registry::kAccessDenied);
                  },
                  false, QString()},
        ValueCase{"QueryFails",
                  [](FakeRegistry &r) {
                      r.setString(kKey, kName, QStringLiteral("x"));
                      r.failQuery(kKey, kName, 1);
                  },
                  false, QString()}),
    testing_support::CaseName());

TEST(GetKeyValueErrors, AKeyIsClosedWhenTheQueryThrows)
{
    FakeBoxes boxes;
    FakeRegistry registry;
    registry.setString(kKey, kName, QStringLiteral("x"));
    registry.throwOnQuery(kKey, kName);
    ui::Services services{boxes, store::Location::file(QString())};
    services.registry = &registry;
    ui::frmAbout window(services);

    QString value;
    EXPECT_ANY_THROW(window.GetKeyValue(Registry::kLocalMachine, kKey, kName, value));
    EXPECT_EQ(registry.openCount(), 0);
}

// --------------------------------------------------------------- StartSysInfo

struct LaunchCase
{
    const char *name;
    std::function<void(FakeRegistry &, FakeFileProbe &, FakeProgramStarter &)> setUp;
    QStringList probed; // files asked about, in order
    QStringList started; // programs asked to start, in order
    bool unavailable; // the message is shown
    bool folderLookup; // the second registry value was looked at
};

class StartSysInfo : public AboutFixture, public ::testing::TestWithParam<LaunchCase>
{};

TEST_P(StartSysInfo, FindsAndStartsTheProgramOrSaysItIsUnavailable)
{
    const LaunchCase &c = GetParam();
    c.setUp(registry, files, programs);
    window.show();

    control<QPushButton>(window, "cmdSysInfo")->click();

    EXPECT_EQ(files.asked(), c.probed);
    EXPECT_EQ(programs.startedPaths(), c.started);
    for (const FakeProgramStarter::Start &start : programs.starts())
        EXPECT_EQ(start.showState, 1);
    EXPECT_EQ(registry.openedPaths().contains(kFolderKey), c.folderLookup);
    EXPECT_EQ(registry.openCount(), 0) << "a key was left open";
    if (c.unavailable) {
        ASSERT_EQ(boxes.shown().size(), 1);
        EXPECT_EQ(boxes.shown()[0].text, kUnavailable);
        EXPECT_EQ(boxes.shown()[0].title, QStringLiteral("orvex"));
        EXPECT_EQ(boxes.shown()[0].icon, Icon::None);
        EXPECT_FALSE(boxes.shown()[0].isInput);
    } else {
        EXPECT_TRUE(boxes.shown().isEmpty());
    }
    EXPECT_TRUE(window.isVisible());
}

const QString kInfoPath = QStringLiteral("C:\\Info\\msinfo32.exe");
const QString kFolder = QStringLiteral("C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo");
const QString kFolderProgram = kFolder + QStringLiteral("\\MSINFO32.EXE");

void pathValue(FakeRegistry &r, const QString &path)
{
    r.setString(kPathKey, QStringLiteral("PATH"), path);
}

void folderValue(FakeRegistry &r, const QString &folder)
{
    r.setString(kFolderKey, QStringLiteral("MSINFO"), folder);
}

// Both values present, the folder's program there and startable.
void bothValues(FakeRegistry &r, FakeFileProbe &f, FakeProgramStarter &p)
{
    pathValue(r, kInfoPath);
    folderValue(r, kFolder);
    f.files.insert(kFolderProgram);
    p.installed.insert(kFolderProgram);
}

INSTANTIATE_TEST_SUITE_P(Cases, StartSysInfo,
                         ::testing::Values(LaunchCase{"FullPathWinsWithoutAFileTest",
                                                      [](FakeRegistry &r, FakeFileProbe &f, FakeProgramStarter &p) {
                                                          bothValues(r, f, p);
                                                          p.installed.insert(kInfoPath);
                                                      },
                                                      {},
                                                      {kInfoPath},
                                                      false,
                                                      false},
                                           LaunchCase{"FullPathNamingAMissingProgramDoesNotFallBack",
                                                      bothValues,
                                                      {},
                                                      {kInfoPath},
                                                      true,
                                                      false},
                                           LaunchCase{"FolderHoldingTheProgram",
                                                      [](FakeRegistry &r, FakeFileProbe &f, FakeProgramStarter &p) {
                                                          folderValue(r, kFolder);
                                                          f.files.insert(kFolderProgram);
                                                          p.installed.insert(kFolderProgram);
                                                      },
                                                      {kFolderProgram},
                                                      {kFolderProgram},
                                                      false,
                                                      true},
                                           LaunchCase{"FolderWithoutTheProgram",
                                                      [](FakeRegistry &r, FakeFileProbe &, FakeProgramStarter &p) {
                                                          folderValue(r, kFolder);
                                                          p.installed.insert(kFolderProgram);
                                                      },
                                                      {kFolderProgram},
                                                      {},
                                                      true,
                                                      true},
                                           LaunchCase{"FolderEndingInABackslashGetsTwo",
                                                      [](FakeRegistry &r, FakeFileProbe &f, FakeProgramStarter &p) {
                                                          folderValue(r, QStringLiteral("C:\\MSInfo\\"));
                                                          f.files.insert(QStringLiteral("C:\\MSInfo\\\\MSINFO32.EXE"));
                                                          p.installed.insert(
                                                              QStringLiteral("C:\\MSInfo\\\\MSINFO32.EXE"));
                                                      },
                                                      {QStringLiteral("C:\\MSInfo\\\\MSINFO32.EXE")},
                                                      {QStringLiteral("C:\\MSInfo\\\\MSINFO32.EXE")},
                                                      false,
                                                      true},
                                           LaunchCase{"ProgramThatWillNotStart",
                                                      [](FakeRegistry &r, FakeFileProbe &f, FakeProgramStarter &) {
                                                          folderValue(r, kFolder);
                                                          f.files.insert(kFolderProgram);
                                                      },
                                                      {kFolderProgram},
                                                      {kFolderProgram},
                                                      true,
                                                      true},
                                           LaunchCase{"NeitherValue",
                                                      [](FakeRegistry &, FakeFileProbe &, FakeProgramStarter &) {},
                                                      {},
                                                      {},
                                                      true,
                                                      true},
                                           LaunchCase{"ExpandableFullPathIsExpandedAndStarted",
                                                      [](FakeRegistry &r, FakeFileProbe &, FakeProgramStarter &p) {
                                                          r.set(kPathKey, QStringLiteral("PATH"),
                                                                Registry::kExpandString,
                                                                withNul("%SystemRoot%\\system32\\msinfo32.exe"));
                                                          r.setEnvironment(QStringLiteral("SystemRoot"),
                                                                           QStringLiteral("C:\\Windows"));
                                                          p.installed.insert(
                                                              QStringLiteral("C:\\Windows\\system32\\msinfo32.exe"));
                                                      },
                                                      {},
                                                      {QStringLiteral("C:\\Windows\\system32\\msinfo32.exe")},
                                                      false,
                                                      false},
                                           LaunchCase{"EmptyFullPathCountsAsReadAndFails",
                                                      [](FakeRegistry &r, FakeFileProbe &f, FakeProgramStarter &p) {
                                                          bothValues(r, f, p);
                                                          r.set(kPathKey, QStringLiteral("PATH"), Registry::kString,
                                                                QByteArray());
                                                      },
                                                      {},
                                                      {QString()},
                                                      true,
                                                      false},
                                           LaunchCase{"OverlongFullPathFallsBackToTheFolder",
                                                      [](FakeRegistry &r, FakeFileProbe &f, FakeProgramStarter &p) {
                                                          bothValues(r, f, p);
                                                          pathValue(r, QString(1100, QLatin1Char('x')));
                                                      },
                                                      {kFolderProgram},
                                                      {kFolderProgram},
                                                      false,
                                                      true},
                                           LaunchCase{"RefusedFullPathKeyFallsBackToTheFolder",
                                                      [](FakeRegistry &r, FakeFileProbe &f, FakeProgramStarter &p) {
                                                          bothValues(r, f, p);
                                                          r.failOpen(kPathKey, Registry::kAccessDenied);
                                                      },
                                                      {kFolderProgram},
                                                      {kFolderProgram},
                                                      false,
                                                      true},
                                           LaunchCase{"RegistryThrows",
                                                      [](FakeRegistry &r, FakeFileProbe &f, FakeProgramStarter &p) {
                                                          bothValues(r, f, p);
                                                          r.throwOnQuery(kPathKey, QStringLiteral("PATH"));
                                                      },
                                                      {},
                                                      {},
                                                      true,
                                                      false},
                                           LaunchCase{"FileTestThrows",
                                                      [](FakeRegistry &r, FakeFileProbe &f, FakeProgramStarter &) {
                                                          folderValue(r, kFolder);
                                                          f.throws = true;
                                                      },
                                                      {kFolderProgram},
                                                      {},
                                                      true,
                                                      true},
                                           LaunchCase{"StartThrows",
                                                      [](FakeRegistry &r, FakeFileProbe &, FakeProgramStarter &p) {
                                                          pathValue(r, kInfoPath);
                                                          p.throws = true;
                                                      },
                                                      {},
                                                      {kInfoPath},
                                                      true,
                                                      false}),
                         testing_support::CaseName());

TEST(StartSysInfoServices, MissingPlatformServicesGiveTheMessage)
{
    FakeBoxes boxes;
    ui::frmAbout window(ui::Services{boxes, store::Location::file(QString())});
    window.StartSysInfo();
    ASSERT_EQ(boxes.shown().size(), 1);
    EXPECT_EQ(boxes.shown()[0].text, kUnavailable);
}

class AboutWindow : public AboutFixture, public ::testing::Test
{};

TEST_F(AboutWindow, EachPressLooksBothValuesUpAfresh)
{
    window.show();
    auto *button = control<QPushButton>(window, "cmdSysInfo");
    button->click();
    folderValue(registry, kFolder);
    files.files.insert(kFolderProgram);
    programs.installed.insert(kFolderProgram);
    button->click();

    EXPECT_EQ(boxes.shown().size(), 1);
    EXPECT_EQ(programs.startedPaths(), QStringList{kFolderProgram});
    EXPECT_EQ(registry.openedPaths(), (QStringList{kPathKey, kFolderKey, kPathKey, kFolderKey}));
}

// ------------------------------------------------------------------ the window

QString textOf(QWidget *widget)
{
    if (auto *button = qobject_cast<QPushButton *>(widget))
        return button->text();
    if (auto *label = qobject_cast<QLabel *>(widget))
        return label->text();
    return QString();
}

TEST_F(AboutWindow, ControlsCarryTheirNamesTextsAndPlaces)
{
    struct Expected
    {
        const char *name;
        const char *text;
        QRect geometry;
    };
    const Expected expected[] = {
        {"cmdOK", "OK", {256, 96, 84, 23}},
        {"picIcon", "", {16, 16, 32, 32}},
        {"cmdSysInfo", "&System Info...", {256, 128, 83, 23}},
        {"lblDescription",
         "This program is simply an acronym dictionary. Nothing else. That's it. FIN",
         {72, 40, 179, 38}},
        {"lblDisclaimer", "Made proudly in the U.S.A. by Kelbrite productions", {72, 104, 153, 55}},
        {"lblTitle", "Orvex", {70, 16, 171, 24}},
        {"lblVersion", "Version 0.5", {256, 16, 91, 15}},
        {"Line1_1", "", {0, 88, 372, 1}},
        {"Line1_0", "", {8, 88, 371, 2}},
    };
    window.show();
    for (const Expected &e : expected) {
        QWidget *widget = control<QWidget>(window, e.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), e.geometry) << e.name;
        EXPECT_EQ(textOf(widget), QString::fromUtf8(e.text)) << e.name;
        EXPECT_TRUE(widget->toolTip().isEmpty()) << e.name;
        EXPECT_EQ(widget->parentWidget(), &window) << e.name;
    }

    const QPixmap flag = control<QLabel>(window, "picIcon")->pixmap();
    EXPECT_EQ(flag.size(), QSize(32, 32));

    for (const char *name : {"lblDescription", "lblTitle", "lblVersion"})
        EXPECT_EQ(control<QLabel>(window, name)->alignment(), Qt::AlignLeft | Qt::AlignTop) << name;
    EXPECT_EQ(control<QLabel>(window, "lblDisclaimer")->alignment(), Qt::AlignHCenter | Qt::AlignTop);
    for (const char *name : {"lblDescription", "lblDisclaimer", "lblTitle", "lblVersion"})
        EXPECT_TRUE(control<QLabel>(window, name)->wordWrap()) << name;
}

TEST_F(AboutWindow, IsAFixedModelessWindowWithoutOwnerAtItsPlaceOnTheScreen)
{
    window.show();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("About Orvex"));
    EXPECT_EQ(window.geometry(), QRect(156, 129, 382, 171));
    EXPECT_EQ(window.minimumSize(), QSize(382, 171));
    EXPECT_EQ(window.maximumSize(), QSize(382, 171));
    EXPECT_EQ(window.parentWidget(), nullptr);
    EXPECT_FALSE(window.isModal());
    EXPECT_EQ(window.windowModality(), Qt::NonModal);

    const Qt::WindowFlags flags = window.windowFlags();
    // A dialog's title bar, not a tool window's small one; a hidden owner
    // keeps it off the taskbar.
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
    ASSERT_NE(window.windowHandle()->transientParent(), nullptr);
    EXPECT_FALSE(window.windowHandle()->transientParent()->isVisible());
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);
    EXPECT_FALSE(window.windowIcon().isNull());
}

TEST_F(AboutWindow, FontsAndColours)
{
    window.show();
    for (const char *name : {"cmdOK", "cmdSysInfo", "lblDescription", "lblTitle", "lblVersion"})
        EXPECT_EQ(control<QWidget>(window, name)->font().pointSizeF(), 8.0) << name;

    const QFont disclaimer = control<QLabel>(window, "lblDisclaimer")->font();
    EXPECT_EQ(disclaimer.pointSizeF(), 9.0);
    EXPECT_EQ(disclaimer.family(), QStringLiteral("Terminal"));
    // The offscreen platform on Windows (the tests under Wine) has no fonts.
    if (QFontInfo(disclaimer).family().isEmpty())
        GTEST_SKIP() << "no fonts to resolve on this platform";
    EXPECT_TRUE(QFontInfo(disclaimer).fixedPitch()) << "resolved to " << QFontInfo(disclaimer).family().toStdString();

    for (const char *name : {"lblDescription", "lblDisclaimer", "lblTitle"}) {
        EXPECT_EQ(control<QWidget>(window, name)->palette().color(QPalette::WindowText), QColor(Qt::black)) << name;
    }
}

TEST_F(AboutWindow, TheWhiteLineLiesOverTheGreyOne)
{
    window.show();
    const QImage image = window.grab().toImage();
    const QColor background = window.palette().color(QPalette::Window);
    const QColor grey(128, 128, 128);
    const QColor white(255, 255, 255);
    struct Pixel
    {
        int x, y;
        QColor colour;
    };
    const Pixel pixels[] = {
        {0, 88, grey},       {7, 88, grey},         {8, 88, white},        {100, 88, white},
        {371, 88, white},    {378, 88, white},      {379, 88, background}, {100, 89, white},
        {7, 89, background}, {100, 87, background}, {100, 90, background},
    };
    for (const Pixel &p : pixels) {
        EXPECT_EQ(image.pixelColor(p.x, p.y), p.colour) << p.x << "," << p.y;
    }
}

TEST_F(AboutWindow, OpensWithTheFocusOnOkAndTabsBetweenTheButtons)
{
    window.show();
    auto *ok = control<QPushButton>(window, "cmdOK");
    auto *sysInfo = control<QPushButton>(window, "cmdSysInfo");
    EXPECT_EQ(window.focusWidget(), ok);

    auto next = [](QWidget *widget) {
        do
            widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus);
        return widget;
    };
    EXPECT_EQ(next(ok), sysInfo);
    EXPECT_EQ(next(sysInfo), ok);
    for (const char *name :
         {"picIcon", "lblDescription", "lblDisclaimer", "lblTitle", "lblVersion", "Line1_0", "Line1_1"})
        EXPECT_EQ(control<QWidget>(window, name)->focusPolicy(), Qt::NoFocus) << name;
}

struct CloseCase
{
    const char *name;
    std::function<void(ui::frmAbout &)> act;
};

class AboutClosing : public AboutFixture, public ::testing::TestWithParam<CloseCase>
{};

TEST_P(AboutClosing, ClosesTheWindow)
{
    window.show();
    GetParam().act(window);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(boxes.shown().isEmpty());
    EXPECT_TRUE(programs.starts().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Ways, AboutClosing,
    ::testing::Values(CloseCase{"OkClicked", [](ui::frmAbout &w) { control<QPushButton>(w, "cmdOK")->click(); }},
                      CloseCase{
                          "ReturnOnOk",
                          [](ui::frmAbout &w) { QTest::keyClick(control<QPushButton>(w, "cmdOK"), Qt::Key_Return); }},
                      CloseCase{"EnterOnTheWindow", [](ui::frmAbout &w) { QTest::keyClick(&w, Qt::Key_Enter); }},
                      CloseCase{"EscapeOnSysInfo",
                                [](ui::frmAbout &w) {
                                    auto *sysInfo = control<QPushButton>(w, "cmdSysInfo");
                                    sysInfo->setFocus();
                                    QTest::keyClick(sysInfo, Qt::Key_Escape);
                                }},
                      CloseCase{"EscapeOnTheWindow", [](ui::frmAbout &w) { QTest::keyClick(&w, Qt::Key_Escape); }}),
    testing_support::CaseName());

TEST_F(AboutWindow, EnterOnSystemInfoPressesItAndTheWindowStays)
{
    window.show();
    auto *sysInfo = control<QPushButton>(window, "cmdSysInfo");
    sysInfo->setFocus();
    QTest::keyClick(sysInfo, Qt::Key_Return);
    EXPECT_TRUE(window.isVisible());
    ASSERT_EQ(boxes.shown().size(), 1);
    EXPECT_EQ(boxes.shown()[0].text, kUnavailable);
}

} // namespace
