// Finding and starting System Info with the real registry, file test and
// program start: the registry values Windows keeps for msinfo32 point at
// the marker program. These tests share those two values, so they run one
// at a time.
#include "platform/fileprobe.h"
#include "platform/programstarter.h"
#include "platform/registry.h"
#include "platform/text_win.h"
#include "platform/sysinfo.h"
#include "wintest.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/windows_win.h"

namespace {

const std::string kPathKey = "HKLM\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kFolderKey = "HKLM\\SOFTWARE\\Microsoft\\Shared Tools Location";

class RealSysInfo : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!wintest::underWine())
            GTEST_SKIP() << "rewrites machine-wide keys: runs only in a throw-away Wine prefix";
        folder = wintest::newFolder();
        forget();
    }

    void TearDown() override
    {
        if (folder.empty())
            return;
        forget();
        wintest::removeFolder(folder);
    }

    void forget()
    {
        wintest::reg("delete \"" + kPathKey + "\" /v PATH /f");
        wintest::reg("delete \"" + kFolderKey + "\" /v MSINFO /f");
    }

    void setPath(const std::string &type, const std::string &path)
    {
        ASSERT_TRUE(wintest::reg("add \"" + kPathKey + "\" /v PATH /t " + type + " /d \"" + path + "\" /f"));
    }

    void setFolder(const std::string &path)
    {
        ASSERT_TRUE(wintest::reg("add \"" + kFolderKey + "\" /v MSINFO /d \"" + path + "\" /f"));
    }

    bool start()
    {
        platform::SystemInfoServices services;
        services.registry = registry.get();
        services.files = files.get();
        services.programs = programs.get();
        return platform::startSystemInfo(services);
    }

    std::unique_ptr<platform::Registry> registry = platform::systemRegistry();
    std::unique_ptr<platform::FileProbe> files = platform::systemFileProbe();
    std::unique_ptr<platform::ProgramStarter> programs = platform::systemProgramStarter();
    std::string folder;
};

TEST_F(RealSysInfo, StartsTheProgramTheFullPathNames)
{
    const std::string program = folder + "\\msinfo32.exe";
    wintest::placeMarker(program);
    setPath("REG_SZ", program);
    setFolder(folder + "\\elsewhere");

    EXPECT_TRUE(start());
    std::string commandLine;
    ASSERT_TRUE(wintest::waitForMarker(program, commandLine));
    EXPECT_EQ(commandLine, "\"" + program + "\"");
}

TEST_F(RealSysInfo, ExpandsAnExpandableFullPath)
{
    const std::string program = folder + "\\msinfo32.exe";
    wintest::placeMarker(program);
    SetEnvironmentVariableW(L"ORVEX_INFO_DIR", platform::win::widen(folder).c_str());
    setPath("REG_EXPAND_SZ", "%ORVEX_INFO_DIR%\\msinfo32.exe");

    EXPECT_TRUE(start());
    std::string commandLine;
    ASSERT_TRUE(wintest::waitForMarker(program, commandLine));
    EXPECT_EQ(commandLine, "\"" + program + "\"");
}

TEST_F(RealSysInfo, FallsBackToTheFolderHoldingTheProgram)
{
    const std::string program = folder + "\\MSINFO32.EXE";
    wintest::placeMarker(program);
    setFolder(folder);

    EXPECT_TRUE(start());
    std::string commandLine;
    ASSERT_TRUE(wintest::waitForMarker(program, commandLine));
    EXPECT_EQ(commandLine, "\"" + program + "\"");
}

TEST_F(RealSysInfo, FailsWithoutTheProgram)
{
    struct Case
    {
        const char *name;
        std::function<void()> setUp;
    };
    const Case cases[] = {
        {"NeitherValue", [] {}},
        {"FolderWithoutTheProgram", [&] { setFolder(folder); }},
        {"FullPathToAMissingProgram",
         [&] {
             setPath("REG_SZ", folder + "\\gone\\msinfo32.exe");
             wintest::placeMarker(folder + "\\MSINFO32.EXE");
             setFolder(folder);
         }},
        {"FullPathToSomethingNotAProgram",
         [&] {
             wintest::writeFile(folder + "\\msinfo32.txt", "text");
             setPath("REG_SZ", folder + "\\msinfo32.txt");
         }},
    };
    for (const Case &c : cases) {
        forget();
        c.setUp();
        EXPECT_FALSE(start()) << c.name;
        EXPECT_FALSE(wintest::markerRan(folder + "\\MSINFO32.EXE")) << c.name;
    }
}

} // namespace
