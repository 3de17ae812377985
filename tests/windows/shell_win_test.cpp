// The mail and web hand-off through the real ShellExecuteA. So that nothing
// outside the test starts, the handlers for "mailto:" and a test scheme are
// the marker program, registered in the throw-away prefix.
#include "platform/shell.h"
#include "platform/mail.h"
#include "platform/web.h"
#include "wintest.h"

#include <gtest/gtest.h>

namespace {

class RealShell : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!wintest::underWine())
            GTEST_SKIP() << "replaces the mail handler: runs only in a throw-away Wine prefix";
        folder = wintest::newFolder();
        handler = folder + "\\handler.exe";
        wintest::placeMarker(handler);
    }

    void TearDown() override
    {
        if (!folder.empty())
            wintest::removeFolder(folder);
    }

    // Makes the marker program the handler of scheme; it receives the text
    // as its one argument.
    void handle(const std::string &scheme)
    {
        const std::string key = "HKCR\\" + scheme;
        ASSERT_TRUE(wintest::reg("add \"" + key + "\" /v \"URL Protocol\" /d \"\" /f"));
        ASSERT_TRUE(
            wintest::reg("add \"" + key + "\\shell\\open\\command\" /ve /d \"\\\"" + handler + "\\\" \\\"%1\\\"\" /f"));
    }

    std::string handedOver()
    {
        std::string commandLine;
        EXPECT_TRUE(wintest::waitForMarker(handler, commandLine)) << "the handler did not run";
        const std::string program = "\"" + handler + "\" ";
        EXPECT_EQ(commandLine.substr(0, program.size()), program);
        return commandLine.substr(program.size() < commandLine.size() ? program.size() : commandLine.size());
    }

    platform::SystemShell shell;
    std::string folder;
    std::string handler;
};

TEST_F(RealShell, ComposeMailReachesTheMailHandler)
{
    handle("mailto");
    platform::Mail::ComposeMail(shell, "support@kelbrite.example", std::string(), std::string());
    EXPECT_EQ(handedOver(), "\"mailto:support@kelbrite.example\"");
}

TEST_F(RealShell, ASubjectAndBodyReachTheMailHandlerAsWritten)
{
    handle("mailto");
    platform::Mail::ComposeMail(shell, "support@kelbrite.example", "Bug in Find & Add?", "Caf\xc3\xa9 crashed");
    EXPECT_EQ(handedOver(), "\"mailto:support@kelbrite.example?subject=Bug in Find & Add?"
                            "&body=Caf\xc3\xa9 crashed\"");
}

TEST_F(RealShell, OpenWebPageReachesTheSchemesHandler)
{
    handle("orvextest");
    platform::Web::OpenWebPage(shell, "orvextest://www.kelbrite.example/");
    EXPECT_EQ(handedOver(), "\"orvextest://www.kelbrite.example/\"");
}

TEST_F(RealShell, OpensAProgramItIsGiven)
{
    const std::string program = folder + "\\read me.exe";
    wintest::placeMarker(program);
    EXPECT_TRUE(shell.execute("open", program, platform::ShowCommand::Show));
    std::string commandLine;
    EXPECT_TRUE(wintest::waitForMarker(program, commandLine));
}

TEST_F(RealShell, ReportsAFileThatIsNotThere)
{
    EXPECT_FALSE(shell.execute("open", folder + "\\missing.txt", platform::ShowCommand::Show));
    EXPECT_FALSE(shell.execute("Open", folder + "\\missing.exe", platform::ShowCommand::Show));
}

} // namespace
