// orvex.exe's windows on a team's server, run under Wine by
// tests/windows/server_under_wine.sh, which starts the server and says how
// to reach it:
//   ORVEX_TEST_SERVER       a writer's URI; the password and the server's
//                           authority are where libpq looks on Windows
//   ORVEX_TEST_FAULTY       a connection that cannot work (a wrong password,
//                           a stopped server), and with it
//   ORVEX_TEST_FAULT_NAMES  how the box must name the server
//   ORVEX_TEST_SECRET       what the box must never show
// A test whose variables are not set is skipped.

#include "store/server/postgres.h"
#include "support/programfolder.h"

#include <QThread>

#include <gtest/gtest.h>

using testing_support::Program;

namespace {

QString given(const char *name)
{
    return qEnvironmentVariable(name);
}

TEST(WineServer, FindAddAndTheDialogWork)
{
    if (given("ORVEX_TEST_SERVER").isEmpty())
        GTEST_SKIP() << "no server given";
    Program program(given("ORVEX_TEST_SERVER"));
    EXPECT_EQ(program.find(QStringLiteral("wine ")), QStringLiteral("No defintion found for WINE "));
    program.add(QStringLiteral("wine"), QStringLiteral("from Windows"));
    program.add(QStringLiteral("WINE"));
    program.inDialog("cmdAdd", QStringLiteral("more"));
    EXPECT_EQ(program.find(QStringLiteral("Wine")), QStringLiteral("from Windows - more"));
    program.add(QStringLiteral("wine"));
    program.inDialog("cmdReplace", QStringLiteral("amended on Windows"));
    EXPECT_EQ(program.find(QStringLiteral("wine")), QStringLiteral("amended on Windows"));
    EXPECT_TRUE(program.boxes.messages().isEmpty());
}

// As on Linux: the connection is opened again unseen.
TEST(WineServer, AConnectionDroppedByTheServerIsOpenedAgainUnseen)
{
    if (given("ORVEX_TEST_SERVER").isEmpty())
        GTEST_SKIP() << "no server given";
    Program program(given("ORVEX_TEST_SERVER") + QStringLiteral("&application_name=orvex-dropped"));
    program.add(QStringLiteral("dropped"), QStringLiteral("before"));
    // A role may end its own sessions.
    store::pg::Connection(given("ORVEX_TEST_SERVER"))
        .exec("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = 'orvex-dropped'");
    QThread::msleep(200);
    EXPECT_EQ(program.find(QStringLiteral("DROPPED")), QStringLiteral("before"));
    EXPECT_TRUE(program.boxes.messages().isEmpty());
}

TEST(WineServer, AFaultIsShownNamingTheServerWithoutItsPassword)
{
    if (given("ORVEX_TEST_FAULTY").isEmpty())
        GTEST_SKIP() << "no faulty connection given";
    Program program(given("ORVEX_TEST_FAULTY"));
    program.find(QStringLiteral("abc"));
    ASSERT_EQ(program.boxes.messages().size(), 1);
    const testing_support::FakeBoxes::Shown box = program.boxes.messages().at(0);
    EXPECT_EQ(box.title, QStringLiteral("orvex"));
    EXPECT_EQ(box.icon, ui::ModalBoxes::Icon::Critical);
    EXPECT_TRUE(box.text.contains(given("ORVEX_TEST_FAULT_NAMES"))) << qPrintable(box.text);
    EXPECT_FALSE(box.text.contains(given("ORVEX_TEST_SECRET"))) << qPrintable(box.text);
    // The window goes on, and says it again.
    program.find(QStringLiteral("abc"));
    EXPECT_EQ(program.boxes.messages().size(), 2);
}

} // namespace
