#include "store/acronymtable.h"

#include "support/printers.h"
#include "support/tempdictionary.h"
#include "ui/storeerror.h"

#include <QFile>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
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

TEST(ReadOnlyDictionary, LookupsWorkAndAddSaysTheDictionaryIsReadOnly)
{
    TempDictionary dictionary{Row{QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"), 1}};
    const QString path = dictionary.path();
    // Readable by everybody, writable by nobody, as under /usr/lib.
    ASSERT_TRUE(QFile::setPermissions(dictionary.folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                               | QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup
                                                               | QFile::ExeGroup));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

    // Permissions do not bind the superuser, so the check runs in a child
    // process that gives up root first and reports through a pipe.
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(channel[0]);
        std::string outcome;
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            outcome = "could not give up root";
        else
            outcome = useReadOnlyDictionary(path);
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
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << report;

    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(dictionary.rows(), (QList<Row>{Row{QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"), 1}}));
}

} // namespace
