#include "ui/info/frmabout.h"
#include "ui/main/frmmain.h"

#include "support/fakeboxes.h"
#include "support/widgets.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

using testing_support::control;
using testing_support::FakeBoxes;

namespace {

QList<ui::frmAbout *> aboutWindows()
{
    QList<ui::frmAbout *> found;
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (auto *about = qobject_cast<ui::frmAbout *>(window))
            found.append(about);
    }
    return found;
}

void unloadClosedWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class AboutMenu : public ::testing::Test
{
protected:
    AboutMenu()
        : main(std::make_unique<ui::frmMain>(ui::Services{boxes, store::Location::file(QStringLiteral("unused.fdb"))}))
    {
        main->show();
    }

    ~AboutMenu() override
    {
        main.reset();
        unloadClosedWindows();
    }

    void chooseAbout() { control<QAction>(*main, "mnuAbout")->trigger(); }

    FakeBoxes boxes;
    std::unique_ptr<ui::frmMain> main;
};

TEST_F(AboutMenu, ShowsOneAboutWindowAndChoosingAgainKeepsItAsItIs)
{
    chooseAbout();
    ASSERT_EQ(aboutWindows().size(), 1);
    ui::frmAbout *about = aboutWindows()[0];
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->parentWidget(), nullptr);

    // Some state a reload would lose: the focus on System Info.
    auto *sysInfo = control<QPushButton>(*about, "cmdSysInfo");
    sysInfo->setFocus();
    about->hide();

    chooseAbout();
    ASSERT_EQ(aboutWindows().size(), 1);
    EXPECT_EQ(aboutWindows()[0], about);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->focusWidget(), sysInfo);
    EXPECT_TRUE(main->isVisible());
}

TEST_F(AboutMenu, OkUnloadsTheWindowAndAboutLoadsAFreshOne)
{
    chooseAbout();
    QPointer<ui::frmAbout> first = aboutWindows().value(0);
    ASSERT_TRUE(first);
    control<QPushButton>(*first, "cmdOK")->click();
    unloadClosedWindows();
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(aboutWindows().isEmpty());

    chooseAbout();
    ASSERT_EQ(aboutWindows().size(), 1);
    EXPECT_TRUE(aboutWindows()[0]->isVisible());
    EXPECT_EQ(control<QPushButton>(*aboutWindows()[0], "cmdSysInfo")->text(), QStringLiteral("&System Info..."));
}

TEST_F(AboutMenu, EndingTheProgramTakesTheAboutWindowWithIt)
{
    chooseAbout();
    QPointer<ui::frmAbout> about = aboutWindows().value(0);
    ASSERT_TRUE(about);

    main->close();
    EXPECT_TRUE(about.isNull() || !about->isVisible());
    main.reset();
    unloadClosedWindows();
    EXPECT_TRUE(about.isNull());
}

} // namespace
