#include "store/copy.h"

#include "store/engine.h"
#include "store/error.h"
#include "store/postgres.h"
#include "store/records.h"
#include "store/serverrows.h"
#include "store/serversql.h"
#include "store/schema.h"
#include "store/sqlite.h"
#include "store/text.h"

#include <QFile>
#include <QFileInfo>

namespace store {

namespace {

qint64 copyToFile(const QString &path, const Location &from)
{
    const bool made = !QFileInfo::exists(path);
    Database db = made ? createDictionary(path) : Engine::instance().open(path);
    qint64 copied = 0;
    try {
        Transaction write(db);
        Statement count(db, "SELECT count(*) FROM Acronyms");
        if (count.step() && count.integer(0) > 0)
            throw Error(Error::Kind::Exists, path, QStringLiteral("the dictionary holds records already"));
        Statement insert(db, "INSERT INTO Acronyms (Acronym, Definition, Active) VALUES (?1, ?2, ?3)");
        forEachRecord(from, [&](const StoredRecord &record) {
            insert.reset(); // every value unbound: NULL
            if (record.acronym)
                insert.bindUtf8(1, *record.acronym);
            if (record.definition)
                insert.bindUtf8(2, *record.definition);
            if (record.active)
                insert.bind(3, *record.active);
            insert.run();
            ++copied;
        });
        write.commit();
    } catch (...) {
        if (made) {
            db.close();
            QFile::remove(path);
        }
        throw;
    }
    return copied;
}

qint64 copyToServer(const QString &connectionString, const Location &from)
{
    pg::Connection connection(connectionString);
    pg::Transaction write(connection);
    // No other writer may slip in between the check and the copy.
    connection.exec(serversql::holdOffAdds);
    connection.exec(serversql::lockForBulkWrite);
    if (connection.exec("SELECT EXISTS (SELECT 1 FROM acronyms)").boolean(0, 0))
        throw Error::fromServer(Error::Kind::Exists, connection.location(),
                                QStringLiteral("the dictionary holds records already"));
    qint64 copied = 0;
    RowBatches rows(connection, "INSERT INTO acronyms (acronym, definition, active) VALUES ", "(?, ?, ?::integer)");
    forEachRecord(from, [&](const StoredRecord &record) {
        // A file's bytes that are no UTF-8 go as the program shows them: a
        // UTF-8 database refuses them as they stand.
        rows.add({record.acronym ? pg::Param(fromStoredUtf8(*record.acronym)) : pg::Param::null(),
                  record.definition ? pg::Param(fromStoredUtf8(*record.definition)) : pg::Param::null(),
                  record.active ? pg::Param(*record.active) : pg::Param::null()});
        ++copied;
    });
    rows.flush();
    write.commit();
    return copied;
}

} // namespace

qint64 copyDictionary(const Location &from, const Location &to)
{
    return to.isServer() ? copyToServer(to.target(), from) : copyToFile(to.target(), from);
}

} // namespace store
