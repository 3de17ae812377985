// Ctrl+C in the middle of an import: the real orvex-db, stopped by SIGINT.

#include "support/tempdictionary.h"

#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

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
    EXPECT_EQ(tool.exitCode(), 1);
    EXPECT_TRUE(tool.readAllStandardError().contains("interrupted"));
    EXPECT_FALSE(QFileInfo::exists(dictionary.path() + QStringLiteral("-journal")));
    EXPECT_EQ(dictionary.rows(), before);
}

} // namespace
