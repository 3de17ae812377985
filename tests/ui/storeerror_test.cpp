#include "ui/storeerror.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Kind = store::Error::Kind;

// Each kind of fault the store reports reaches the user as its own sentence,
// with the file and the engine's words beside it.
TEST(StoreErrorText, NamesTheFileTheReasonAndTheEnginesWords)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nym2.fdb"));
    const struct
    {
        Kind kind;
        const char *engine;
        std::vector<const char *> mentions;
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
    };
    for (const auto &c : cases) {
        const QString shown = ui::storeErrorText(store::Error(c.kind, path, QString::fromUtf8(c.engine)));
        EXPECT_TRUE(shown.contains(QDir::toNativeSeparators(path))) << shown.toStdString();
        EXPECT_TRUE(shown.contains(QString::fromUtf8(c.engine))) << shown.toStdString();
        for (const char *words : c.mentions)
            EXPECT_TRUE(shown.contains(QString::fromUtf8(words))) << shown.toStdString();
    }
}

} // namespace
