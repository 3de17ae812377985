#include "ui/info/frmcontact.h"

#include "ui/look.h"
#include "ui/main/frmmain.h"
#include "support/fakeboxes.h"
#include "support/fakeshell.h"
#include "support/printers.h"
#include "support/widgets.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

using platform::ShowCommand;
using testing_support::control;
using testing_support::FakeBoxes;
using testing_support::FakeShell;

namespace {

const QString kMail = QStringLiteral("support@kelbrite.example");
const QString kWeb = QStringLiteral("http://www.kelbrite.example/");

// Windows that are deleted later are gone once the posted deletions ran.
void runDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QList<QWidget *> visibleWindows()
{
    QList<QWidget *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible())
            windows.append(widget);
    }
    return windows;
}

QList<ui::frmContact *> contactWindows()
{
    QList<ui::frmContact *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *contact = qobject_cast<ui::frmContact *>(widget))
            windows.append(contact);
    }
    return windows;
}

class ContactWindow : public ::testing::Test
{
protected:
    ContactWindow()
        : window(new ui::frmContact(shell))
    {
        window->show();
        window->activateWindow();
        QApplication::processEvents();
    }

    ~ContactWindow() override
    {
        delete window; // still there unless a test closed it
        runDeferredDeletes();
    }

    QLabel *label(const char *name) { return control<QLabel>(*window, name); }
    QPushButton *okButton() { return control<QPushButton>(*window, "OKButton"); }

    FakeShell shell;
    QPointer<ui::frmContact> window;
};

TEST_F(ContactWindow, ControlsCarryTheirNamesTextsTooltipsAndPlaces)
{
    struct Expected
    {
        const char *name;
        QString text;
        QString tooltip;
        QRect geometry;
    };
    const Expected expected[] = {
        {"OKButton", "OK", "", {88, 120, 81, 25}},
        {"lblContactInfo", "Please send all bug reports and ehancement requests to us via email:", "", {8, 8, 241, 25}},
        {"lblMail", kMail, "Click to send us an email", {8, 40, 241, 17}},
        {"lblSiteInfo", "or Visit us on the Web at:", "", {48, 64, 153, 17}},
        {"lblWeb", kWeb, "", {8, 88, 241, 17}},
    };
    for (const Expected &e : expected) {
        QWidget *widget = control<QWidget>(*window, e.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), e.geometry) << e.name;
        EXPECT_EQ(widget->toolTip(), e.tooltip) << e.name;
        EXPECT_EQ(widget->font(), ui::windowFont()) << e.name;
        if (auto *button = qobject_cast<QPushButton *>(widget))
            EXPECT_EQ(button->text(), e.text) << e.name;
        else
            EXPECT_EQ(qobject_cast<QLabel *>(widget)->text(), e.text) << e.name;
    }
}

TEST_F(ContactWindow, IsAFixedDialogAtItsPlaceWithTheProgramsIcon)
{
    EXPECT_EQ(window->objectName(), QStringLiteral("frmContact"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Contact Us"));
    EXPECT_EQ(window->geometry(), QRect(184, 250, 262, 154)); // the client area
    EXPECT_EQ(window->minimumSize(), QSize(262, 154));
    EXPECT_EQ(window->maximumSize(), QSize(262, 154));
    EXPECT_EQ(window->windowType(), Qt::Dialog);
    // A hidden owner keeps it off the taskbar; it goes with the window.
    const QPointer<QWindow> owner = window->windowHandle()->transientParent();
    ASSERT_FALSE(owner.isNull());
    EXPECT_FALSE(owner->isVisible());
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_EQ(window->windowIcon().pixmap(16).toImage(), ui::programIcon().pixmap(16).toImage());
    EXPECT_EQ(window->parentWidget(), nullptr);
    EXPECT_FALSE(window->isModal());
    delete window;
    EXPECT_TRUE(owner.isNull());
}

TEST_F(ContactWindow, LabelsAreCentredAndWrappedAndTheAddressesBlueWithAnArrowAndNoUnderline)
{
    for (const char *name : {"lblContactInfo", "lblMail", "lblSiteInfo", "lblWeb"}) {
        QLabel *l = label(name);
        ASSERT_NE(l, nullptr);
        EXPECT_TRUE(l->alignment() & Qt::AlignHCenter) << name;
        EXPECT_TRUE(l->wordWrap()) << name;
        const bool address = qstrcmp(name, "lblMail") == 0 || qstrcmp(name, "lblWeb") == 0;
        // Tab reaches the addresses, a click gives them no focus.
        EXPECT_EQ(l->focusPolicy(), address ? Qt::TabFocus : Qt::NoFocus) << name;
        const QColor blue(0, 0, 255);
        EXPECT_EQ(l->palette().color(QPalette::Active, l->foregroundRole()) == blue, address) << name;
        EXPECT_EQ(l->palette().color(QPalette::Inactive, l->foregroundRole()) == blue, address) << name;
        EXPECT_EQ(l->cursor().shape(), Qt::ArrowCursor) << name;
        EXPECT_FALSE(l->font().underline()) << name;
    }
}

TEST_F(ContactWindow, OpensWithTheFocusOnOkAndOkIsNeitherDefaultNorCancel)
{
    EXPECT_EQ(window->focusWidget(), okButton());

    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());

    // Without the focus, Enter does not reach OK.
    okButton()->clearFocus();
    QTest::keyClick(window, Qt::Key_Return);
    EXPECT_TRUE(window->isVisible());

    okButton()->setFocus();

    QTest::keyClick(okButton(), Qt::Key_Return);
    EXPECT_FALSE(window && window->isVisible());
    EXPECT_TRUE(shell.calls().empty());
}

TEST_F(ContactWindow, OkAndTheCloseBoxUnloadTheWindow)
{
    for (const bool viaOk : {true, false}) {
        if (!window)
            window = new ui::frmContact(shell);
        window->show();
        if (viaOk)
            QTest::mouseClick(okButton(), Qt::LeftButton);
        else
            window->close();
        runDeferredDeletes();
        EXPECT_TRUE(window.isNull()) << (viaOk ? "OK" : "close box");
    }
}

struct Click
{
    const char *label;
    QString text;
    QString verb;
};

TEST_F(ContactWindow, ClickingAnAddressHandsExactlyItsTextToTheShell)
{
    const Click clicks[] = {
        {"lblMail", "mailto:" + kMail, "open"},
        {"lblWeb", kWeb, "Open"},
        {"lblMail", "mailto:" + kMail, "open"},
    };
    for (const Click &click : clicks)
        QTest::mouseClick(label(click.label), Qt::LeftButton);

    ASSERT_EQ(shell.calls().size(), std::size(clicks));
    for (size_t i = 0; i < shell.calls().size(); ++i) {
        EXPECT_EQ(QString::fromStdString(shell.calls()[i].text), clicks[i].text) << i;
        EXPECT_EQ(QString::fromStdString(shell.calls()[i].verb), clicks[i].verb) << i;
        EXPECT_EQ(shell.calls()[i].show, ShowCommand::Show) << i;
    }
    // Each handed-over address is the one its label shows.
    EXPECT_EQ(QString::fromStdString(shell.calls()[0].text), "mailto:" + label("lblMail")->text());
    EXPECT_EQ(QString::fromStdString(shell.calls()[1].text), label("lblWeb")->text());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(ContactWindow, OnlyALeftClickThatEndsOnTheLabelCounts)
{
    QLabel *mail = label("lblMail");
    QTest::mouseClick(mail, Qt::RightButton);
    QTest::mouseClick(mail, Qt::MiddleButton);
    QTest::mousePress(mail, Qt::LeftButton);
    QTest::mouseRelease(mail, Qt::LeftButton, {}, QPoint(-4, -4));
    QTest::mouseRelease(label("lblWeb"), Qt::LeftButton);
    QTest::mouseClick(label("lblContactInfo"), Qt::LeftButton);
    QTest::mouseClick(label("lblSiteInfo"), Qt::LeftButton);
    EXPECT_TRUE(shell.calls().empty());

    QTest::mousePress(mail, Qt::LeftButton);
    QTest::mouseRelease(mail, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(shell.calls().size(), 1u);
}

TEST_F(ContactWindow, ADoubleClickHandsTheAddressOverOnce)
{
    // Through the window, as the window system delivers it: press, release,
    // then the second press as a double-click, and its release.
    QLabel *mail = label("lblMail");
    QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, {}, mail->mapTo(window, mail->rect().center()));
    ASSERT_EQ(shell.calls().size(), 1u);
    EXPECT_EQ(QString::fromStdString(shell.calls()[0].text), "mailto:" + kMail);

    // A click after it is a click of its own again.
    QTest::mouseClick(label("lblWeb"), Qt::LeftButton);
    EXPECT_EQ(shell.calls().size(), 2u);
}

TEST_F(ContactWindow, TheClicksUseTheirOwnAddressesNotTheCaptions)
{
    label("lblMail")->setText(QStringLiteral("someone@elsewhere.example"));
    label("lblWeb")->setText(QStringLiteral("http://elsewhere.example/"));
    QTest::mouseClick(label("lblMail"), Qt::LeftButton);
    QTest::mouseClick(label("lblWeb"), Qt::LeftButton);
    ASSERT_EQ(shell.calls().size(), 2u);
    EXPECT_EQ(QString::fromStdString(shell.calls()[0].text), "mailto:" + kMail);
    EXPECT_EQ(QString::fromStdString(shell.calls()[1].text), kWeb);
}

TEST_F(ContactWindow, AFailingShellLeavesTheWindowOpenAndShowsNothing)
{
    shell.setFailing(true);
    const QList<QWidget *> before = visibleWindows();

    QTest::mouseClick(label("lblMail"), Qt::LeftButton);
    QTest::mouseClick(label("lblWeb"), Qt::LeftButton);
    QApplication::processEvents();

    EXPECT_EQ(shell.calls().size(), 2u);
    EXPECT_EQ(visibleWindows(), before);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(window->isVisible());

    // Still usable: another click is another hand-off, and OK still closes.
    QTest::mouseClick(label("lblMail"), Qt::LeftButton);
    EXPECT_EQ(shell.calls().size(), 3u);
    QTest::mouseClick(okButton(), Qt::LeftButton);
    EXPECT_FALSE(window && window->isVisible());
}

class ContactMenu : public ::testing::Test
{
protected:
    ContactMenu()
        : main([this] {
            ui::Services services{boxes, store::Location::file(QString())};
            services.shell = &shell;
            return services;
        }())
    {
        main.show();
    }

    ~ContactMenu() override { runDeferredDeletes(); }

    void chooseContactUs() { control<QAction>(main, "mnuContact")->trigger(); }

    FakeBoxes boxes;
    FakeShell shell;
    ui::frmMain main;
};

TEST_F(ContactMenu, ShowsOneModelessWindowWithoutOwnerAndShowsItAgainUnchanged)
{
    chooseContactUs();
    ASSERT_EQ(contactWindows().size(), 1);
    QPointer<ui::frmContact> first = contactWindows()[0];
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->parentWidget(), nullptr);
    EXPECT_EQ(first->windowModality(), Qt::NonModal);
    EXPECT_TRUE(main.isEnabled());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // A caption the program never changes marks the window as the same one.
    control<QLabel>(*first, "lblSiteInfo")->setText(QStringLiteral("marked"));
    chooseContactUs();
    ASSERT_EQ(contactWindows().size(), 1);
    EXPECT_EQ(contactWindows()[0], first.data());
    EXPECT_EQ(control<QLabel>(*first, "lblSiteInfo")->text(), QStringLiteral("marked"));

    // Once closed, it is unloaded; the next choice loads a fresh one.
    QTest::mouseClick(control<QPushButton>(*first, "OKButton"), Qt::LeftButton);
    runDeferredDeletes();
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(contactWindows().isEmpty());

    chooseContactUs();
    ASSERT_EQ(contactWindows().size(), 1);
    EXPECT_EQ(control<QLabel>(*contactWindows()[0], "lblSiteInfo")->text(),
              QStringLiteral("or Visit us on the Web at:"));
    EXPECT_TRUE(boxes.shown().isEmpty());
}

TEST_F(ContactMenu, ItsClicksReachTheProgramsShell)
{
    chooseContactUs();
    ASSERT_EQ(contactWindows().size(), 1);
    QTest::mouseClick(control<QLabel>(*contactWindows()[0], "lblWeb"), Qt::LeftButton);
    ASSERT_EQ(shell.calls().size(), 1u);
    EXPECT_EQ(QString::fromStdString(shell.calls()[0].text), kWeb);
}

TEST_F(ContactMenu, ClosingTheMainWindowClosesIt)
{
    chooseContactUs();
    ASSERT_EQ(contactWindows().size(), 1);
    QPointer<ui::frmContact> contact = contactWindows()[0];
    main.close();
    runDeferredDeletes();
    EXPECT_TRUE(contact.isNull());
}

} // namespace
