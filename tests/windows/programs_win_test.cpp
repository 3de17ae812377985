// Starting a program, testing for a file and the program's own folder,
// against real files.
#include "platform/fileprobe.h"
#include "platform/programfolder.h"
#include "platform/programstarter.h"
#include "wintest.h"

#include <gtest/gtest.h>

namespace {

class RealFiles : public ::testing::Test
{
protected:
    RealFiles()
        : folder(wintest::newFolder())
    {}
    ~RealFiles() override { wintest::removeFolder(folder); }

    std::string folder;
};

TEST_F(RealFiles, StartsTheProgramWithoutArgumentsAndDoesNotWaitForIt)
{
    const std::string program = folder + "\\info tool.exe";
    wintest::placeMarker(program);
    // The program holds back until the test lets it go.
    wintest::writeFile(program + ".hold", "");

    const auto starter = platform::systemProgramStarter();
    EXPECT_TRUE(starter->start(program, platform::ProgramStarter::kShowNormal));
    EXPECT_FALSE(wintest::markerRan(program)) << "the start waited for the program";

    wintest::removeFile(program + ".hold");
    std::string commandLine;
    ASSERT_TRUE(wintest::waitForMarker(program, commandLine));
    // Quoted, because of the space, and nothing after it.
    EXPECT_EQ(commandLine, "\"" + program + "\"");
}

TEST_F(RealFiles, StartsAProgramWhosePathIsQuotedAlready)
{
    const std::string program = folder + "\\msinfo32.exe";
    wintest::placeMarker(program);
    const auto starter = platform::systemProgramStarter();
    EXPECT_TRUE(starter->start("\"" + program + "\"", platform::ProgramStarter::kShowNormal));
    std::string commandLine;
    ASSERT_TRUE(wintest::waitForMarker(program, commandLine));
    EXPECT_EQ(commandLine, "\"" + program + "\"");
}

TEST_F(RealFiles, ReportsWhatCannotBeStarted)
{
    const std::string text = folder + "\\notes.txt";
    wintest::writeFile(text, "not a program");
    const auto starter = platform::systemProgramStarter();
    for (const std::string &path : {std::string(), folder + "\\missing.exe", text, folder})
        EXPECT_FALSE(starter->start(path, platform::ProgramStarter::kShowNormal)) << path;
}

TEST_F(RealFiles, TellsFilesFromFoldersAndNothing)
{
    const std::string file = folder + "\\MSINFO32 Caf\xc3\xa9.EXE";
    wintest::writeFile(file, "");
    const auto probe = platform::systemFileProbe();
    EXPECT_TRUE(probe->fileExists(file));
    EXPECT_TRUE(probe->fileExists(folder + "\\msinfo32 caf\xc3\xa9.exe")) << "letter case";
    EXPECT_FALSE(probe->fileExists(folder));
    EXPECT_FALSE(probe->fileExists(folder + "\\missing.exe"));
    EXPECT_FALSE(probe->fileExists(std::string()));
}

TEST(ProgramFolder, IsTheFolderOfTheRunningProgramWithBackslashes)
{
    const std::string folder = platform::programFolder();
    EXPECT_EQ(folder, wintest::testFolder());
    EXPECT_NE(folder.back(), '\\');
    EXPECT_EQ(folder.find('/'), std::string::npos);
    EXPECT_TRUE(platform::systemFileProbe()->fileExists(folder + "\\orvex_marker.exe"));
}

} // namespace
