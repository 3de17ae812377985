// System Info on a desktop without Windows: the registry stand-in, the real
// program start and file test together.
#include "ui/info/frmabout.h"

#include "platform/fileprobe.h"
#include "platform/programstarter.h"
#include "platform/registry_posix.h"
#include "support/fakeboxes.h"
#include "support/widgets.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using testing_support::control;
using testing_support::FakeBoxes;

namespace {

class DesktopSysInfo : public ::testing::Test
{
protected:
    void press(const QStringList &programs)
    {
        const auto registry = platform::desktopRegistry(programs, {dir.path()});
        const auto starter = platform::systemProgramStarter();
        const auto probe = platform::systemFileProbe();
        ui::Services services{boxes, store::Location::file(QString())};
        services.registry = registry.get();
        services.programs = starter.get();
        services.files = probe.get();
        ui::frmAbout window(services);
        window.show();
        control<QPushButton>(window, "cmdSysInfo")->click();
    }

    QTemporaryDir dir;
    FakeBoxes boxes;
};

TEST_F(DesktopSysInfo, StartsTheInstalledSystemInformationProgram)
{
    const QString marker = dir.filePath(QStringLiteral("ran"));
    QFile tool(dir.filePath(QStringLiteral("kinfocenter")));
    ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
    tool.write("#!/bin/sh\ntouch '" + marker.toLocal8Bit() + "'\n");
    tool.close();
    tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    press({QStringLiteral("hardinfo"), QStringLiteral("kinfocenter")});

    EXPECT_TRUE(boxes.shown().isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(marker); }, 10000));
}

TEST_F(DesktopSysInfo, WithoutOneSaysItIsUnavailable)
{
    press({QStringLiteral("hardinfo"), QStringLiteral("kinfocenter")});

    ASSERT_EQ(boxes.shown().size(), 1);
    EXPECT_EQ(boxes.shown()[0].text, QStringLiteral("System Information Is Unavailable At This Time"));
    EXPECT_EQ(boxes.shown()[0].title, QStringLiteral("orvex"));
}

} // namespace
