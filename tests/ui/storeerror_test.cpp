#include "ui/storeerror.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Kind = store::Error::Kind;

// Each kind of fault the store reports reaches the user as its own sentence,
// with the file or the server and the engine's words beside it.
TEST(StoreErrorText, NamesTheFileTheReasonAndTheEnginesWords)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nym2.fdb"));
    const struct
    {
        Kind kind;
        const char *engine;
        std::vector<const char *> mentions;
        bool server = false;
    } cases[] = {
        {Kind::Missing, "unable to open database file", {"does not exist"}},
        {Kind::NotADictionary, "file is not a database", {"not an acronym database"}},
        {Kind::NoTable, "no such table: Acronyms", {"no table Acronyms"}},
        {Kind::NoField, "no such column: Definition", {"lacks a field (Definition)"}},
        {Kind::Busy, "database is locked", {"in use by another program"}},
        {Kind::ReadOnly, "attempt to write a readonly database", {"read-only", "Looking up acronyms still works"}},
        {Kind::ReadOnlyFolder, "unable to open database file", {"cannot be written to", "journal"}},
        {Kind::NoPermission, "unable to open database file", {"no permission to use"}},
        {Kind::RecordGone, "gone", {"removed by another program meanwhile"}},
        {Kind::Full, "database or disk is full", {"disk is full"}},
        {Kind::Other, "something new", {"The database engine reported: something new."}},
        {Kind::Missing, "database \"words\" does not exist", {"no database of that name"}, true},
        {Kind::NoPermission, "password authentication failed", {"refused the user name or password"}, true},
        {Kind::NoTable, "relation \"acronyms\" does not exist", {"has no table acronyms"}, true},
        {Kind::NoField, "column \"definition\" does not exist", {"lacks a field (definition)"}, true},
        {Kind::ReadOnly, "permission denied for table acronyms", {"read-only"}, true},
        {Kind::WriteUnknown, "server closed the connection", {"whether it was saved is not known"}, true},
    };
    for (const auto &c : cases) {
        const QString shown =
            ui::storeErrorText(c.server ? store::Error::fromServer(c.kind, QStringLiteral("db.example.org:5432/words"),
                                                                   QString::fromUtf8(c.engine))
                                        : store::Error(c.kind, path, QString::fromUtf8(c.engine)));
        EXPECT_FALSE(c.server && shown.contains(QLatin1String("file"))) << shown.toStdString();
        EXPECT_TRUE(
            shown.contains(c.server ? QStringLiteral("db.example.org:5432/words") : QDir::toNativeSeparators(path)))
            << shown.toStdString();
        EXPECT_TRUE(shown.contains(QString::fromUtf8(c.engine))) << shown.toStdString();
        for (const char *words : c.mentions)
            EXPECT_TRUE(shown.contains(QString::fromUtf8(words))) << shown.toStdString();
    }
}

} // namespace
