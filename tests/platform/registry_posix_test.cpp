#include "platform/registry_posix.h"

#include "support/printers.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::Registry;

namespace {

// A folder of stand-in programs: executable files that do nothing.
class Programs
{
public:
    QString add(const QString &name, bool executable = true)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
        file.close();
        QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
        if (executable)
            permissions |= QFile::ExeOwner;
        file.setPermissions(permissions);
        return path;
    }

    QStringList folders() const { return {m_dir.path()}; }

private:
    QTemporaryDir m_dir;
};

const QString kKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");

struct Read
{
    Registry::Status open = -1;
    Registry::Status query = -1;
    quint32 type = 0;
    QByteArray bytes;
};

Read read(Registry &registry, const QString &key, const QString &name, quint32 offer = 1024,
          quint32 access = Registry::kRead)
{
    Read result;
    Registry::Key handle = 0;
    result.open = registry.openKey(Registry::kLocalMachine, key.toStdString(), 0, access, handle);
    if (result.open != Registry::kSuccess)
        return result;
    std::vector<unsigned char> buffer(1024, 0);
    std::uint32_t size = offer;
    result.query = registry.queryValue(handle, name.toStdString(), result.type, buffer, size);
    if (result.query == Registry::kSuccess)
        result.bytes = QByteArray(reinterpret_cast<const char *>(buffer.data()), int(size));
    EXPECT_EQ(registry.closeKey(handle), Registry::kSuccess);
    EXPECT_EQ(registry.closeKey(handle), Registry::kInvalidHandle) << "closed twice";
    return result;
}

TEST(DesktopRegistry, GivesTheFirstInstalledProgramAsAStringWithItsNul)
{
    Programs programs;
    programs.add(QStringLiteral("kinfocenter"));
    const QString wanted = programs.add(QStringLiteral("hardinfo"));
    programs.add(QStringLiteral("notexecutable"), false);
    const auto registry = platform::desktopRegistry(
        {QStringLiteral("notexecutable"), QStringLiteral("hardinfo"), QStringLiteral("kinfocenter")},
        programs.folders());

    const Read value = read(*registry, kKey, QStringLiteral("PATH"));
    EXPECT_EQ(value.open, Registry::kSuccess);
    EXPECT_EQ(value.query, Registry::kSuccess);
    EXPECT_EQ(value.type, Registry::kString);
    EXPECT_EQ(value.bytes, wanted.toLocal8Bit() + '\0');

    // Keys and value names are found regardless of case, as on Windows.
    EXPECT_EQ(read(*registry, kKey.toLower(), QStringLiteral("path")).bytes, value.bytes);
}

TEST(DesktopRegistry, HoldsNothingElse)
{
    Programs programs;
    programs.add(QStringLiteral("hardinfo"));
    const auto registry = platform::desktopRegistry({QStringLiteral("hardinfo")}, programs.folders());

    EXPECT_EQ(read(*registry, kKey, QStringLiteral("Other")).query, Registry::kFileNotFound);
    EXPECT_EQ(
        read(*registry, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"), QStringLiteral("MSINFO")).open,
        Registry::kFileNotFound);
    Registry::Key key = 0;
    EXPECT_EQ(registry->openKey(0x80000001u, kKey.toStdString(), 0, Registry::kRead, key), Registry::kFileNotFound);
}

TEST(DesktopRegistry, WithoutAnInstalledProgramTheKeyIsAbsent)
{
    Programs programs;
    programs.add(QStringLiteral("hardinfo"), false);
    const auto registry = platform::desktopRegistry({QStringLiteral("hardinfo")}, programs.folders());
    EXPECT_EQ(read(*registry, kKey, QStringLiteral("PATH")).open, Registry::kFileNotFound);
}

TEST(DesktopRegistry, FindsAProgramInstalledWhileRunning)
{
    Programs programs;
    const auto registry = platform::desktopRegistry({QStringLiteral("hardinfo")}, programs.folders());
    EXPECT_EQ(read(*registry, kKey, QStringLiteral("PATH")).open, Registry::kFileNotFound);
    const QString path = programs.add(QStringLiteral("hardinfo"));
    EXPECT_EQ(read(*registry, kKey, QStringLiteral("PATH")).bytes, path.toLocal8Bit() + '\0');
}

TEST(DesktopRegistry, RefusesWriteRightsAndTooSmallBuffers)
{
    Programs programs;
    const QString path = programs.add(QStringLiteral("hardinfo"));
    const auto registry = platform::desktopRegistry({QStringLiteral("hardinfo")}, programs.folders());

    EXPECT_EQ(read(*registry, kKey, QStringLiteral("PATH"), 1024, 0x2003F).open, Registry::kAccessDenied);

    Registry::Key key = 0;
    ASSERT_EQ(registry->openKey(Registry::kLocalMachine, kKey.toStdString(), 0, Registry::kRead, key),
              Registry::kSuccess);
    std::vector<unsigned char> buffer(1024, 0);
    std::uint32_t type = 0;
    std::uint32_t size = 4;
    EXPECT_EQ(registry->queryValue(key, "PATH", type, buffer, size), Registry::kMoreData);
    EXPECT_EQ(size, static_cast<std::uint32_t>(path.toLocal8Bit().size() + 1));
    EXPECT_EQ(buffer, std::vector<unsigned char>(1024, 0)) << "wrote past the offer";
    EXPECT_EQ(registry->closeKey(key), Registry::kSuccess);
    EXPECT_EQ(registry->queryValue(key, "PATH", type, buffer, size), Registry::kInvalidHandle);
}

TEST(DesktopRegistry, ExpandsEnvironmentReferencesLeavingUnknownOnesAsWritten)
{
    qputenv("ORVEX_EXPAND_TEST", "/opt/tools");
    const auto registry = platform::desktopRegistry({});
    struct Case
    {
        const char *in;
        const char *out;
    };
    const Case cases[] = {
        {"%ORVEX_EXPAND_TEST%/info", "/opt/tools/info"},
        {"a%ORVEX_EXPAND_TEST%b%ORVEX_EXPAND_TEST%", "a/opt/toolsb/opt/tools"},
        {"%ORVEX_NOT_SET_ANYWHERE%/info", "%ORVEX_NOT_SET_ANYWHERE%/info"},
        {"100%", "100%"},
        {"%%", "%%"},
        {"no references", "no references"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(registry->expandString(c.in), c.out) << c.in;
    qunsetenv("ORVEX_EXPAND_TEST");
}

} // namespace
