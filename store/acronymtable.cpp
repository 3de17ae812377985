#include "store/acronymtable.h"

#include "store/acronymindex.h"
#include "store/engine.h"
#include "store/recordscan.h"
#include "store/sqlite.h"

#include <sqlite3.h>

#include <utility>

namespace store {

namespace {

qint64 requireCurrent(const AcronymTable &table)
{
    if (!table.currentRow())
        throw Error(SQLITE_MISUSE, table.path(), QStringLiteral("no acronym is selected"));
    return *table.currentRow();
}

[[noreturn]] void recordGone(const AcronymTable &table)
{
    throw Error(SQLITE_NOTFOUND, table.path(),
                QStringLiteral("The acronym was removed by another program meanwhile. "
                               "Nothing was changed."));
}

} // namespace

AcronymTable::AcronymTable(Database db)
    : m_db(std::move(db))
{
}

AcronymTable OpenAcronymTable(const QString &path)
{
    AcronymTable table(Engine::instance().open(path));
    // Preparing a statement reads the schema: a file that is no database,
    // a missing table or a missing field is reported here, before any work.
    // Running it would only take and drop a lock once more.
    Statement probe(table.database(), "SELECT Acronym, Definition FROM Acronyms LIMIT 0");
    return table;
}

bool FindAcronym(AcronymTable &table, const QString &key)
{
    table.m_current = findFirstAcronym(table.database(), key);
    return table.m_current.has_value();
}

QString ReadDefinition(AcronymTable &table)
{
    const qint64 row = requireCurrent(table);
    Statement read(table.database(), "SELECT Definition FROM Acronyms WHERE rowid = ?1");
    read.bind(1, row);
    if (!read.step())
        recordGone(table);
    return read.text(0);
}

void AddAcronym(AcronymTable &table, const QString &acronym, const QString &definition)
{
    Statement insert(table.database(),
                     "INSERT INTO Acronyms (Acronym, Definition, Active) VALUES (?1, ?2, 1)");
    insert.bind(1, acronym);
    insert.bind(2, definition);
    insert.run();
}

bool AddAcronymUnlessStored(AcronymTable &table, const QString &acronym, const QString &definition)
{
    Transaction write(table.database());
    if (FindAcronym(table, acronym))
        return false;
    AddAcronym(table, acronym, definition);
    write.commit();
    return true;
}

void ReplaceDefinition(AcronymTable &table, const QString &definition)
{
    const qint64 row = requireCurrent(table);
    Statement update(table.database(), "UPDATE Acronyms SET Definition = ?1 WHERE rowid = ?2");
    update.bind(1, definition);
    update.bind(2, row);
    update.run();
    if (table.database().changes() == 0)
        recordGone(table);
}

void CloseAcronymTable(AcronymTable &table) noexcept
{
    table.m_current.reset();
    table.m_db.close();
}

} // namespace store
