#include "platform/fileprobe.h"
#include "platform/programfolder.h"
#include "platform/programstarter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString writeScript(const QTemporaryDir &dir, const QString &name, const QByteArray &body)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n" + body + "\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

TEST(PosixProgramStarter, StartsTheProgramWithoutArgumentsAndDoesNotWait)
{
    QTemporaryDir dir;
    const QString marker = dir.filePath(QStringLiteral("started"));
    // A name with a space and a shell character is taken as it stands.
    const QString program = writeScript(dir, QStringLiteral("info tool;x"),
                                        "echo \"$#\" > '" + marker.toLocal8Bit() + ".tmp'; mv '" + marker.toLocal8Bit()
                                            + ".tmp' '" + marker.toLocal8Bit() + "'");

    const auto starter = platform::systemProgramStarter();
    EXPECT_TRUE(starter->start(program.toStdString(), platform::ProgramStarter::kShowNormal));

    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(marker); }, 10000));
    QFile file(marker);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().trimmed(), QByteArray("0")) << "arguments were added";
}

TEST(PosixProgramStarter, ReportsWhatCannotBeStarted)
{
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain"));
    QFile file(plain);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);

    const auto starter = platform::systemProgramStarter();
    for (const QString &path : {QString(), dir.filePath(QStringLiteral("missing")), plain, dir.path()})
        EXPECT_FALSE(starter->start(path.toStdString(), platform::ProgramStarter::kShowNormal)) << path.toStdString();
}

TEST(PosixFileProbe, TellsFilesFromFoldersAndNothing)
{
    QTemporaryDir dir;
    const QString file = writeScript(dir, QStringLiteral("MSINFO32 file.EXE"), "");
    QDir(dir.path()).mkdir(QStringLiteral("folder"));

    const auto probe = platform::systemFileProbe();
    EXPECT_TRUE(probe->fileExists(file.toStdString()));
    EXPECT_FALSE(probe->fileExists(dir.filePath(QStringLiteral("folder")).toStdString()));
    EXPECT_FALSE(probe->fileExists(dir.filePath(QStringLiteral("missing")).toStdString()));
    EXPECT_FALSE(probe->fileExists(std::string()));
}

TEST(PosixProgramFolder, IsTheFolderOfTheRunningExecutable)
{
    const std::string folder = platform::programFolder();
    EXPECT_EQ(QString::fromStdString(folder), QCoreApplication::applicationDirPath());
    EXPECT_NE(folder.back(), '/');
}

} // namespace
