#include "store/dictionary.h"

#include "support/printers.h"
#include "support/tempdictionary.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using testing_support::Row;
using testing_support::TempDictionary;

namespace {

// What a system-wide install gives a user: a dictionary that may be read but
// not written. Returns an empty text when lookups work, the dictionary says
// it is read-only before anything is asked, and Add fails as read-only; or
// what went otherwise.
std::string useReadOnlyDictionary(const QString &path)
{
    try {
        store::Dictionary dictionary(store::Location::file(path));
        const std::optional<store::Entry> found = dictionary.find(QStringLiteral("CPU"));
        if (!found || found->definition != QLatin1String("Central Processing Unit"))
            return "lookup did not find CPU";
        if (!dictionary.isReadOnly())
            return "the dictionary does not say it is read-only";
    } catch (const store::Error &error) {
        return "lookup failed: " + std::string(error.what());
    }
    try {
        store::Dictionary(store::Location::file(path)).add(QStringLiteral("NEW"), QStringLiteral("never stored"));
        return "Add stored into a read-only dictionary";
    } catch (const store::Error &error) {
        if (error.code() != SQLITE_READONLY || error.kind() != store::Error::Kind::ReadOnly)
            return "Add failed with code " + std::to_string(error.code());
    }
    return {};
}

// Permissions do not bind the superuser, so a check runs in a child process
// that gives up root first and reports through a pipe. Returns what it
// reported: empty when all went as expected.
std::string runWithoutRoot(const std::function<std::string()> &check)
{
    int channel[2];
    if (pipe(channel) != 0)
        return "no pipe";
    const pid_t child = fork();
    if (child < 0)
        return "no child process";
    if (child == 0) {
        close(channel[0]);
        std::string outcome;
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            outcome = "could not give up root";
        else
            outcome = check();
        if (!outcome.empty() && write(channel[1], outcome.data(), outcome.size()) < 0)
            _exit(2);
        _exit(outcome.empty() ? 0 : 1);
    }
    close(channel[1]);
    std::string report;
    char buffer[512];
    for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<size_t>(got));
    close(channel[0]);
    int status = 0;
    if (waitpid(child, &status, 0) != child)
        return "the child process was lost";
    if (!(WIFEXITED(status) && WEXITSTATUS(status) == 0) && report.empty())
        return "the child process failed without a word";
    return report;
}

TEST(ReadOnlyDictionary, LookupsWorkAndAddSaysTheDictionaryIsReadOnly)
{
    TempDictionary dictionary{Row{QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"), 1}};
    const QString path = dictionary.path();
    // Readable by everybody, writable by nobody, as under /usr/lib.
    ASSERT_TRUE(QFile::setPermissions(dictionary.folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                               | QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup
                                                               | QFile::ExeGroup));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

    EXPECT_EQ(runWithoutRoot([&] { return useReadOnlyDictionary(path); }), "");

    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(dictionary.rows(),
              (QList<Row>{Row{QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"), 1}}));
}

TEST(UnreadableDictionary, IsReportedAsOneThatMayNotBeReadNotAsOneThatCannotBeWritten)
{
    TempDictionary dictionary{Row{QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"), 1}};
    const QString path = dictionary.path();
    // The folder is open to everybody; the file to its owner only.
    ASSERT_TRUE(QFile::setPermissions(dictionary.folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                               | QFile::ReadOther | QFile::WriteOther
                                                               | QFile::ExeOther));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));

    EXPECT_EQ(runWithoutRoot([&]() -> std::string {
                  try {
                      store::Dictionary(store::Location::file(path)).find(QStringLiteral("CPU"));
                      return "a file nobody may read was read";
                  } catch (const store::Error &error) {
                      if (error.kind() != store::Error::Kind::NoPermission)
                          return "the kind given: " + std::to_string(static_cast<int>(error.kind()));
                  }
                  return {};
              }),
              "");
}

} // namespace

namespace {

// A program killed in the middle of a change leaves a journal beside the
// dictionary, which must be rolled back before the file can be read. A user
// who may not write it is told so; the next program that can write rolls it
// back, and the words stored before are all there.
TEST(UnfinishedChange, IsReportedToAReaderAndRolledBackByAWriter)
{
    TempDictionary dictionary{Row{QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"), 1}};
    const QString path = dictionary.path();
    const pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        // A change big enough to spill into the file before its commit, then
        // the end of the process without a word.
        sqlite3 *db = nullptr;
        sqlite3_open(path.toUtf8().constData(), &db);
        sqlite3_exec(db,
                     "PRAGMA cache_size = 2; BEGIN; WITH RECURSIVE n(v) AS (SELECT 1 UNION ALL "
                     "SELECT v + 1 FROM n WHERE v < 5000) INSERT INTO Acronyms SELECT 'K' || v, "
                     "hex(randomblob(200)), 1 FROM n",
                     nullptr, nullptr, nullptr);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(writer, &status, 0), writer);
    ASSERT_GT(QFileInfo(path + QStringLiteral("-journal")).size(), 0) << "no journal was left";

    ASSERT_TRUE(QFile::setPermissions(dictionary.folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                               | QFile::ReadOther | QFile::ExeOther));
    for (const QString &file : {path, path + QStringLiteral("-journal")})
        ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    EXPECT_EQ(runWithoutRoot([&]() -> std::string {
                  try {
                      store::Dictionary(store::Location::file(path)).find(QStringLiteral("CPU"));
                      return "a file with an unfinished change was read";
                  } catch (const store::Error &error) {
                      if (error.kind() != store::Error::Kind::Unfinished)
                          return std::string("reported as: ") + error.what();
                  }
                  return {};
              }),
              "");

    EXPECT_TRUE(store::Dictionary(store::Location::file(path)).find(QStringLiteral("CPU")));
    EXPECT_FALSE(QFileInfo::exists(path + QStringLiteral("-journal")));
    EXPECT_EQ(dictionary.rows(),
              (QList<Row>{Row{QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"), 1}}));
}

} // namespace
