#include "ui/main/frmmain.h"

#include "store/file/files.h"
#include "ui/definitionbox.h"
#include "support/fakeboxes.h"
#include "support/casename.h"
#include "support/printers.h"
#include "support/storehelpers.h"
#include "support/tempdictionary.h"
#include "support/widgets.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>
#include <sqlite3.h>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using testing_support::control;
using testing_support::FakeBoxes;
using testing_support::Row;
using testing_support::stored;
using testing_support::TempDictionary;
using Icon = ui::ModalBoxes::Icon;

namespace {

class MainWindow : public ::testing::Test
{
protected:
    MainWindow()
        : dictionary{Row{QStringLiteral("ABC"), QStringLiteral("Alpha Beta Charlie"), 1},
                     Row{QStringLiteral("NASA"), QStringLiteral("National Aeronautics"), 1}}
        , window(ui::Services{boxes, store::Location::file(dictionary.path())})
    {
        window.show();
    }

    QLineEdit *acronymBox() { return control<QLineEdit>(window, "txtAcronym"); }
    ui::DefinitionBox *definitionBox() { return control<ui::DefinitionBox>(window, "lblDef"); }

    QString find(const QString &entry)
    {
        acronymBox()->setText(entry);
        control<QPushButton>(window, "cmdFind")->click();
        return definitionBox()->text();
    }

    TempDictionary dictionary;
    FakeBoxes boxes;
    ui::frmMain window;
};

TEST_F(MainWindow, EnterInTheAcronymBoxAndTheFindButtonBothLookUp)
{
    acronymBox()->setText(QStringLiteral("abc"));
    acronymBox()->setFocus();
    QTest::keyClick(acronymBox(), Qt::Key_Return);
    EXPECT_EQ(definitionBox()->text(), QStringLiteral("Alpha Beta Charlie"));

    acronymBox()->setText(QStringLiteral("nasa"));
    QTest::keyClick(acronymBox(), Qt::Key_Enter);
    EXPECT_EQ(definitionBox()->text(), QStringLiteral("National Aeronautics"));

    EXPECT_EQ(find(QStringLiteral("  abc ")), QStringLiteral("Alpha Beta Charlie"));
    EXPECT_TRUE(boxes.shown().isEmpty());
}

TEST_F(MainWindow, TheNotFoundLineShowsTheUpperCasedKeyWithItsBlanksAndTabs)
{
    EXPECT_EQ(find(QStringLiteral("xyz ")), QStringLiteral("No defintion found for XYZ "));
    EXPECT_EQ(find(QStringLiteral(" \tabc")), QStringLiteral("No defintion found for  \tABC"));
    EXPECT_EQ(find(QString::fromUtf16(u"\u00e9t\u00e9")), QString::fromUtf16(u"No defintion found for \u00c9T\u00c9"));
}

TEST_F(MainWindow, AnEntryLongerThanALineEditsDefaultLimitIsLookedUpWhole)
{
    // The first record is what the entry would become if it were cut.
    dictionary.insert(stored(QString(32767, QLatin1Char('Q')), QStringLiteral("cut short")));
    dictionary.insert(stored(QString(40000, QLatin1Char('Q')), QStringLiteral("whole")));

    EXPECT_EQ(find(QString(40000, QLatin1Char('q'))), QStringLiteral("whole"));
    EXPECT_EQ(acronymBox()->text().size(), 40000);
}

TEST_F(MainWindow, ABlankEntryIsRefusedAndTheDefinitionBoxKeepsItsText)
{
    find(QStringLiteral("ABC"));
    for (const QString &blank : {QString(), QStringLiteral("   ")}) {
        boxes = FakeBoxes();
        EXPECT_EQ(find(blank), QStringLiteral("Alpha Beta Charlie"));
        ASSERT_EQ(boxes.shown().size(), 1);
        EXPECT_EQ(boxes.shown()[0].text, QStringLiteral("You must enter an Acronym"));
        EXPECT_EQ(boxes.shown()[0].title, QStringLiteral("Data Required"));
        EXPECT_EQ(boxes.shown()[0].icon, Icon::Critical);
    }
}

TEST_F(MainWindow, ABlankEntryDoesNotTouchTheDictionary)
{
    QFile::remove(dictionary.path());
    find(QStringLiteral(" "));
    ASSERT_EQ(boxes.shown().size(), 1);
    EXPECT_EQ(boxes.shown()[0].title, QStringLiteral("Data Required"));
}

// The window keeps the dictionary's connection for a moment after a Find,
// so that the next Find need not read the file's schema again; meanwhile
// another program may move the file or put another in its place, on Windows
// too, and the next Find reads what the path names then.
TEST_F(MainWindow, TheDictionaryMayBeMovedJustAfterAFind)
{
    EXPECT_EQ(find(QStringLiteral("ABC")), QStringLiteral("Alpha Beta Charlie"));
#ifdef Q_OS_WIN
    // Held open: a program asking for the file alone is refused.
    const HANDLE alone = CreateFileW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(dictionary.path()).utf16()),
                                     GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(alone, INVALID_HANDLE_VALUE) << "the connection was not kept";
    if (alone != INVALID_HANDLE_VALUE)
        CloseHandle(alone);
#endif
    const TempDictionary other{Row{QStringLiteral("ABC"), QStringLiteral("another file"), 1}};
    const QString movedTo = dictionary.path() + QStringLiteral(".moved");
    ASSERT_TRUE(QFile::rename(dictionary.path(), movedTo));
    ASSERT_TRUE(QFile::copy(other.path(), dictionary.path()));
    EXPECT_EQ(find(QStringLiteral("ABC")), QStringLiteral("another file"));
    EXPECT_TRUE(QFile::remove(dictionary.path()));
    EXPECT_TRUE(QFile::remove(movedTo));
    EXPECT_TRUE(boxes.shown().isEmpty());
}

struct Fault
{
    const char *name;
    std::function<void(TempDictionary &)> cause;
    std::function<void(TempDictionary &)> mend;
    const char *reason;
};

class MainWindowFault : public MainWindow, public ::testing::WithParamInterface<Fault>
{};

TEST_P(MainWindowFault, IsReportedNamingTheFileAndTheWindowKeepsWorking)
{
    find(QStringLiteral("NASA"));
    GetParam().cause(dictionary);

    find(QStringLiteral("ABC"));
    ASSERT_EQ(boxes.shown().size(), 1);
    const FakeBoxes::Shown &box = boxes.shown()[0];
    EXPECT_EQ(box.title, QStringLiteral("orvex"));
    EXPECT_EQ(box.icon, Icon::Critical);
    // The file is named as the system writes paths (backslashes on Windows).
    EXPECT_TRUE(box.text.contains(QDir::toNativeSeparators(dictionary.path()))) << box.text.toStdString();
    EXPECT_TRUE(box.text.contains(QLatin1String(GetParam().reason))) << box.text.toStdString();
    EXPECT_EQ(definitionBox()->text(), QStringLiteral("National Aeronautics"));
    EXPECT_TRUE(window.isVisible());

    GetParam().mend(dictionary);
    EXPECT_EQ(find(QStringLiteral("ABC")), QStringLiteral("Alpha Beta Charlie"));
    EXPECT_EQ(boxes.shown().size(), 1);
}

const QString kAside = QStringLiteral(".aside");

INSTANTIATE_TEST_SUITE_P(
    Faults, MainWindowFault,
    ::testing::Values(
        Fault{"MissingFile", [](TempDictionary &d) { QFile::rename(d.path(), d.path() + kAside); },
              [](TempDictionary &d) { QFile::rename(d.path() + kAside, d.path()); }, "does not exist"},
        Fault{"FolderInItsPlace",
              [](TempDictionary &d) {
                  QFile::rename(d.path(), d.path() + kAside);
                  QDir().mkdir(d.path());
              },
              [](TempDictionary &d) {
                  QDir().rmdir(d.path());
                  QFile::rename(d.path() + kAside, d.path());
              },
              "a folder of that name"},
        Fault{"NotADatabase",
              [](TempDictionary &d) {
                  QFile::rename(d.path(), d.path() + kAside);
                  QFile f(d.path());
                  f.open(QIODevice::WriteOnly);
                  f.write(QByteArray(2048, '?'));
              },
              [](TempDictionary &d) {
                  QFile::remove(d.path());
                  QFile::rename(d.path() + kAside, d.path());
              },
              "not an acronym database"},
        Fault{"TableMissing", [](TempDictionary &d) { d.exec(QStringLiteral("ALTER TABLE Acronyms RENAME TO Gone")); },
              [](TempDictionary &d) { d.exec(QStringLiteral("ALTER TABLE Gone RENAME TO Acronyms")); },
              "no table Acronyms"},
        Fault{"FieldMissing",
              [](TempDictionary &d) { d.exec(QStringLiteral("ALTER TABLE Acronyms RENAME COLUMN Acronym TO Nym")); },
              [](TempDictionary &d) { d.exec(QStringLiteral("ALTER TABLE Acronyms RENAME COLUMN Nym TO Acronym")); },
              "lacks a field"}),
    testing_support::CaseName());

TEST_F(MainWindow, ALockedDictionaryIsReportedAndTheWindowKeepsWorking)
{
    {
        const testing_support::HeldLock lock(dictionary.path());
        const testing_support::ShortBusyTimeout wait;
        find(QStringLiteral("ABC"));
    }

    ASSERT_EQ(boxes.shown().size(), 1);
    EXPECT_TRUE(boxes.shown()[0].text.contains(QLatin1String("in use by another program")));
    EXPECT_EQ(find(QStringLiteral("ABC")), QStringLiteral("Alpha Beta Charlie"));
}

TEST_F(MainWindow, ExitAndTheCloseBoxCloseEveryWindow)
{
    for (const bool viaExit : {true, false}) {
        QWidget other;
        other.show();
        window.show();
        if (viaExit)
            control<QPushButton>(window, "cmdExit")->click();
        else
            window.close();
        EXPECT_FALSE(window.isVisible());
        EXPECT_FALSE(other.isVisible());
    }
}

TEST_F(MainWindow, EscapeDoesNothing)
{
    find(QStringLiteral("ABC"));
    QTest::keyClick(acronymBox(), Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(definitionBox()->text(), QStringLiteral("Alpha Beta Charlie"));
}

TEST_F(MainWindow, TheDefinitionBoxIsReadOnly)
{
    find(QStringLiteral("ABC"));
    definitionBox()->setFocus();
    QTest::keyClicks(definitionBox(), QStringLiteral("typed"));
    EXPECT_EQ(definitionBox()->toPlainText(), QStringLiteral("Alpha Beta Charlie"));
}

TEST_F(MainWindow, ControlsCarryTheirNamesTextsTooltipsAndPlaces)
{
    struct Expected
    {
        const char *name;
        const char *text;
        const char *tooltip;
        QRect geometry;
    };
    const Expected expected[] = {
        {"txtAcronym", "", "Enter the acronym to find here", {72, 8, 145, 19}},
        {"cmdFind", "&Find", "Locate a definiton", {232, 8, 81, 25}},
        {"cmdAdd", "&Add", "Add a new definition", {232, 40, 81, 25}},
        {"cmdExit", "E&xit", "Leave the program", {232, 72, 81, 25}},
        {"lblAcronym", "Acronym: ", "", {16, 8, 49, 17}},
        {"lblDefiniton", "Definition: ", "", {16, 32, 49, 17}},
        {"lblDef", "", "", {72, 32, 145, 73}},
    };
    for (const Expected &e : expected) {
        QWidget *widget = control<QWidget>(window, e.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), e.geometry) << e.name;
        EXPECT_EQ(widget->toolTip(), QLatin1String(e.tooltip)) << e.name;
        QString text;
        if (auto *button = qobject_cast<QPushButton *>(widget))
            text = button->text();
        else if (auto *label = qobject_cast<QLabel *>(widget))
            text = label->text();
        else if (auto *edit = qobject_cast<QLineEdit *>(widget))
            text = edit->text();
        EXPECT_EQ(text, QLatin1String(e.text)) << e.name;
    }

    EXPECT_EQ(window.windowTitle(), QStringLiteral("Orvex"));
    EXPECT_EQ(window.centralWidget()->size(), QSize(331, 115));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowMinimizeButtonHint);

    // The menu: Help with Contact Us, then About.
    auto *help = control<QMenu>(window, "mnuHelp");
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->title(), QStringLiteral("&Help"));
    const QList<QAction *> entries = help->actions();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0]->objectName(), QStringLiteral("mnuContact"));
    EXPECT_EQ(entries[0]->text(), QStringLiteral("&Contact Us"));
    EXPECT_EQ(entries[1]->objectName(), QStringLiteral("mnuAbout"));
    EXPECT_EQ(entries[1]->text(), QStringLiteral("&About"));
}

TEST_F(MainWindow, TabOrderRunsFromTheAcronymBoxToTheDefinitionBox)
{
    const char *order[] = {"txtAcronym", "cmdFind", "cmdAdd", "cmdExit", "lblDef"};
    QWidget *widget = acronymBox();
    for (size_t i = 1; i < std::size(order); ++i) {
        widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus)
            widget = widget->nextInFocusChain();
        EXPECT_EQ(widget->objectName(), QLatin1String(order[i]));
    }
    EXPECT_EQ(control<QLabel>(window, "lblAcronym")->focusPolicy(), Qt::NoFocus);
}

} // namespace
