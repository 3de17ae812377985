#include "store/copy.h"

#include "store/engine.h"
#include "store/error.h"
#include "store/postgres.h"
#include "store/schema.h"
#include "store/sqlite.h"

#include <QFile>
#include <QFileInfo>

#include <functional>
#include <optional>

namespace store {

namespace {

struct Record
{
    std::optional<QString> acronym;
    std::optional<QString> definition;
    std::optional<qint64> active;
};

using Sink = std::function<void(const Record &)>;

constexpr int kBatch = 500;

void readFile(const QString &path, const Sink &sink)
{
    Database db = Engine::instance().open(path);
    Statement rows(db, "SELECT Acronym, Definition, Active FROM Acronyms ORDER BY rowid");
    while (rows.step()) {
        Record record;
        if (!rows.isNull(0))
            record.acronym = rows.text(0);
        if (!rows.isNull(1))
            record.definition = rows.text(1);
        if (!rows.isNull(2))
            record.active = rows.integer(2);
        sink(record);
    }
}

void readServer(const QString &connectionString, const Sink &sink)
{
    pg::Connection connection(connectionString);
    // One snapshot for the whole table, read a batch at a time.
    pg::Transaction snapshot(connection);
    connection.exec("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ");
    qint64 after = 0;
    for (;;) {
        const pg::Result rows = connection.exec(
            "SELECT id, acronym, definition, active FROM acronyms WHERE id > $1 ORDER BY id LIMIT 5000", {after});
        for (int row = 0; row < rows.rows(); ++row) {
            Record record;
            if (!rows.isNull(row, 1))
                record.acronym = rows.text(row, 1);
            if (!rows.isNull(row, 2))
                record.definition = rows.text(row, 2);
            if (!rows.isNull(row, 3))
                record.active = rows.integer(row, 3);
            sink(record);
            after = rows.integer(row, 0);
        }
        if (rows.rows() == 0)
            break;
    }
    snapshot.commit();
}

qint64 copyToFile(const QString &path, const std::function<void(const Sink &)> &read)
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
        read([&](const Record &record) {
            insert.reset(); // every value unbound: NULL
            if (record.acronym)
                insert.bind(1, *record.acronym);
            if (record.definition)
                insert.bind(2, *record.definition);
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

qint64 copyToServer(const QString &connectionString, const std::function<void(const Sink &)> &read)
{
    pg::Connection connection(connectionString);
    pg::Transaction write(connection);
    // No other writer may slip in between the check and the copy.
    connection.exec("LOCK TABLE acronyms IN EXCLUSIVE MODE");
    if (connection.exec("SELECT EXISTS (SELECT 1 FROM acronyms)").boolean(0, 0))
        throw Error(Error::Kind::Exists, connection.location(), QStringLiteral("the dictionary holds records already"));
    qint64 copied = 0;
    QList<pg::Param> batch;
    auto flush = [&] {
        if (batch.isEmpty())
            return;
        // Rows in one statement keep their order: ids are given in order.
        QByteArray sql("INSERT INTO acronyms (acronym, definition, active) VALUES ");
        for (qsizetype row = 0; row < batch.size() / 3; ++row) {
            sql += row ? ",(" : "(";
            sql += '$' + QByteArray::number(row * 3 + 1) + ",$" + QByteArray::number(row * 3 + 2) + ",$"
                   + QByteArray::number(row * 3 + 3) + "::integer)";
        }
        connection.exec(sql.constData(), batch);
        batch.clear();
    };
    read([&](const Record &record) {
        batch << (record.acronym ? pg::Param(*record.acronym) : pg::Param::null())
              << (record.definition ? pg::Param(*record.definition) : pg::Param::null())
              << (record.active ? pg::Param(*record.active) : pg::Param::null());
        ++copied;
        if (batch.size() >= kBatch * 3)
            flush();
    });
    flush();
    write.commit();
    return copied;
}

} // namespace

qint64 copyDictionary(const Location &from, const Location &to)
{
    const auto read = [&](const Sink &sink) {
        if (from.isServer())
            readServer(from.target(), sink);
        else
            readFile(from.target(), sink);
    };
    return to.isServer() ? copyToServer(to.target(), read) : copyToFile(to.target(), read);
}

} // namespace store
