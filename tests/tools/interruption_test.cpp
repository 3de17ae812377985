// Ctrl+C in the middle of an import: the real orvex-db, stopped by SIGINT.

#include "support/tempdictionary.h"

#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <signal.h>

using testing_support::Row;
using testing_support::TempDictionary;

namespace {

TEST(Interruption, AnImportStoppedByCtrlCRollsBackAndLeavesNoJournal)
{
    TempDictionary dictionary{Row{QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"), 1}};
    const QList<Row> before = dictionary.rows();
    QProcess tool;
    tool.start(QStringLiteral(ORVEX_DB_PATH),
               {QStringLiteral("import"), QStringLiteral("-"), QStringLiteral("--into"), dictionary.path()});
    ASSERT_TRUE(tool.waitForStarted());
    QByteArray lines;
    for (int i = 0; i < 20000; ++i)
        lines += "K" + QByteArray::number(i) + "\tmeaning " + QByteArray::number(i) + "\n";
    tool.write(lines);
    ASSERT_TRUE(tool.waitForBytesWritten(10000));
    QThread::msleep(300);
    ASSERT_EQ(::kill(static_cast<pid_t>(tool.processId()), SIGINT), 0);
    tool.write("LAST\tone more line after Ctrl+C\n");
    tool.closeWriteChannel();
    ASSERT_TRUE(tool.waitForFinished(20000));

    EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit) << "killed by the signal, not stopped";
    EXPECT_EQ(tool.exitCode(), 128 + SIGINT);
    EXPECT_TRUE(tool.readAllStandardError().contains("interrupted"));
    EXPECT_FALSE(QFileInfo::exists(dictionary.path() + QStringLiteral("-journal")));
    EXPECT_EQ(dictionary.rows(), before);
}

// An import from a pipe that is slow to come holds no lock meanwhile: the
// team's Adds go on, and the import takes its lock when the input is whole.
TEST(Interruption, ASlowPipeHoldsNoLockWhileTheImportWaitsForIt)
{
    TempDictionary dictionary;
    QProcess import;
    import.start(QStringLiteral(ORVEX_DB_PATH),
                 {QStringLiteral("import"), QStringLiteral("-"), QStringLiteral("--into"), dictionary.path()});
    ASSERT_TRUE(import.waitForStarted());
    import.write("FIRST\tcame at once\n");
    ASSERT_TRUE(import.waitForBytesWritten(10000));
    QThread::msleep(300);
    QProcess add;
    add.start(QStringLiteral(ORVEX_DB_PATH), {QStringLiteral("add"), QStringLiteral("MEANWHILE"),
                                              QStringLiteral("added"), QStringLiteral("--db"), dictionary.path()});
    ASSERT_TRUE(add.waitForFinished(20000));
    EXPECT_EQ(add.exitCode(), 0) << add.readAllStandardError().constData();
    EXPECT_EQ(import.state(), QProcess::Running);
    import.write("LAST\tcame later\n");
    import.closeWriteChannel();
    ASSERT_TRUE(import.waitForFinished(20000));
    EXPECT_EQ(import.exitCode(), 0) << import.readAllStandardError().constData();
    EXPECT_EQ(dictionary.rows(),
              (QList<Row>{testing_support::stored(QStringLiteral("MEANWHILE"), QStringLiteral("added")),
                          testing_support::stored(QStringLiteral("FIRST"), QStringLiteral("came at once")),
                          testing_support::stored(QStringLiteral("LAST"), QStringLiteral("came later"))}));
}

// Ctrl+C while a command waits for another program's lock: it stops within
// a second, writes nothing and exits as a stopped program does.
TEST(Interruption, ACommandWaitingForALockStopsAtCtrlCAndWritesNothing)
{
    for (const QStringList &command : {QStringList{QStringLiteral("add"), QStringLiteral("NEW"), QStringLiteral("d")},
                                       QStringList{QStringLiteral("find"), QStringLiteral("CPU")},
                                       QStringList{QStringLiteral("delete"), QStringLiteral("CPU")}}) {
        TempDictionary dictionary{Row{QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"), 1}};
        const QList<Row> before = dictionary.rows();
        sqlite3 *holder = nullptr;
        ASSERT_EQ(sqlite3_open(dictionary.path().toUtf8().constData(), &holder), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        QProcess tool;
        tool.start(QStringLiteral(ORVEX_DB_PATH), command + QStringList{QStringLiteral("--db"), dictionary.path()});
        ASSERT_TRUE(tool.waitForStarted());
        QThread::msleep(500);
        ASSERT_EQ(::kill(static_cast<pid_t>(tool.processId()), SIGINT), 0);
        const bool stopped = tool.waitForFinished(3000);
        sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(holder);
        ASSERT_TRUE(stopped || tool.waitForFinished(10000));
        EXPECT_TRUE(stopped) << "still waiting a few seconds after Ctrl+C: " << command.first().toStdString();
        EXPECT_EQ(tool.exitCode(), 128 + SIGINT) << command.first().toStdString();
        EXPECT_EQ(dictionary.rows(), before) << command.first().toStdString();
    }
}

} // namespace
