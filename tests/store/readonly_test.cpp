#include "store/acronymtable.h"

#include "support/printers.h"
#include "support/tempdictionary.h"
#include "ui/storeerror.h"

#include <QFile>

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
// not written. Returns an empty text when lookups work and Add fails with
// the read-only reason, or what went otherwise.
std::string useReadOnlyDictionary(const QString &path)
{
    try {
        store::AcronymTable table = store::OpenAcronymTable(path);
        if (!store::FindAcronym(table, QStringLiteral("CPU")) || store::ReadDefinition(table) != QLatin1String("Central Processing Unit"))
            return "lookup did not find CPU";
        store::CloseAcronymTable(table);
    } catch (const store::Error &error) {
        return "lookup failed: " + error.reason().toStdString();
    }
    try {
        store::AcronymTable table = store::OpenAcronymTable(path);
        if (store::FindAcronym(table, QStringLiteral("NEW")))
            return "NEW is stored already";
        store::AddAcronym(table, QStringLiteral("NEW"), QStringLiteral("never stored"));
        return "Add stored into a read-only dictionary";
    } catch (const store::Error &error) {
        if (error.code() != SQLITE_READONLY)
            return "Add failed with code " + std::to_string(error.code());
        const QString shown = ui::storeErrorText(error);
        if (!shown.contains(QLatin1String("read-only")) || !shown.contains(QLatin1String("Looking up acronyms still works")))
            return "the message does not say the dictionary is read-only: " + shown.toStdString();
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
    EXPECT_EQ(dictionary.rows(), (QList<Row>{Row{QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"), 1}}));
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
                      store::AcronymTable table = store::OpenAcronymTable(path);
                      store::FindAcronym(table, QStringLiteral("CPU"));
                      return "a file nobody may read was read";
                  } catch (const store::Error &error) {
                      if (!error.reason().contains(QLatin1String("no permission to read")))
                          return "the reason given: " + error.reason().toStdString();
                  }
                  return {};
              }),
              "");
}

} // namespace
