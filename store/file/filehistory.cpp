#include "store/file/filehistory.h"

#include "store/file/files.h"
#include "store/file/filesql.h"
#include "store/text.h"

#include <QStringList>

#include <sqlite3.h>

#ifdef Q_OS_WIN
#include <QtGlobal>
#else
#include <pwd.h>
#include <unistd.h>

#include <vector>
#endif

namespace store {

namespace {

QString userOfProcess()
{
#ifdef Q_OS_WIN
    return qEnvironmentVariable("USERNAME");
#else
    // The account the process runs as, which no variable of the
    // environment can name otherwise.
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd *found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return QString::fromLocal8Bit(found->pw_name);
    return QStringLiteral("uid %1").arg(geteuid());
#endif
}

std::optional<QString> textAt(const Statement &row, int column)
{
    return row.isNull(column) ? std::nullopt : std::optional<QString>(row.text(column));
}

std::optional<std::string_view> bytesAt(const Statement &row, int column)
{
    return row.isNull(column) ? std::nullopt : std::optional<std::string_view>(row.utf8(column));
}

std::optional<qint64> integerAt(const Statement &row, int column)
{
    return row.isNull(column) ? std::nullopt : std::optional<qint64>(row.integer(column));
}

// A row of the columns filesql names ORVEX_FILE_CHANGE.
Change changeFromRow(const Statement &row)
{
    Change change;
    change.number = row.integer(0);
    change.record = row.integer(1);
    change.before = {textAt(row, 3), textAt(row, 4), integerAt(row, 5)};
    change.after = {textAt(row, 6), textAt(row, 7), integerAt(row, 8)};
    change.operation = operationOf(row.utf8(2), change.before, change.after);
    change.at = historyTime(row.text(9));
    change.who = row.isNull(10) ? QString() : row.text(10);
    change.undoes = row.isNull(11) ? 0 : row.integer(11);
    return change;
}

qint64 single(Database &db, const char *sql, qint64 bound)
{
    Statement query(db, sql);
    query.bind(1, bound);
    query.step();
    return query.integer(0);
}

qint64 single(Database &db, const char *sql)
{
    Statement query(db, sql);
    query.step();
    return query.integer(0);
}

Database openKeeping(const QString &path)
{
    Database db = Files::instance().open(path);
    if (!keepsHistory(db))
        throw Error(Error::Kind::NoHistory, path, QStringLiteral("the file keeps no history of changes"));
    return db;
}

} // namespace

const QString &operatingSystemUser()
{
    static const QString user = userOfProcess();
    return user;
}

bool keepsHistory(Database &db)
{
    return single(db, filesql::keepsHistory) != 0;
}

void addHistory(Database &db)
{
    db.exec(filesql::createHistoryTable);
    db.exec(filesql::createHistoryTriggers);
}

OwnChanges::OwnChanges(Database &db, bool kept)
    : m_db(db)
    , m_kept(kept)
    , m_mark(kept ? single(db, filesql::lastChange) : 0)
{}

void OwnChanges::sign(qint64 undoes)
{
    if (!m_kept)
        return;
    Statement sign(m_db, filesql::signChanges);
    sign.bind(1, operatingSystemUser());
    if (undoes)
        sign.bind(2, undoes);
    sign.bind(3, m_mark);
    sign.run();
}

QuietHistory::QuietHistory(Database &db)
    : m_db(db)
    , m_kept(keepsHistory(db))
{
    if (!m_kept)
        return;
    QList<QByteArray> names;
    {
        Statement triggers(db, filesql::historyTriggers);
        while (triggers.step()) {
            names << QByteArray(triggers.utf8(0).data(), static_cast<qsizetype>(triggers.utf8(0).size()));
            m_triggers << QByteArray(triggers.utf8(1).data(), static_cast<qsizetype>(triggers.utf8(1).size()));
        }
    }
    for (const QByteArray &name : names)
        db.exec(QByteArray(filesql::dropTrigger).replace("%1", name).constData());
}

void QuietHistory::recordAddedAfter(qint64 rowid)
{
    if (!m_kept)
        return;
    Statement record(m_db, filesql::recordAdded);
    record.bind(1, rowid);
    record.bind(2, operatingSystemUser());
    record.run();
}

void QuietHistory::resume()
{
    for (const QByteArray &sql : std::exchange(m_triggers, {}))
        m_db.exec(sql.constData());
}

void forEachFileChange(Database &db, const ChangeVisitor &visit)
{
    if (!keepsHistory(db))
        return;
    Statement rows(db, filesql::everyChange);
    while (rows.step()) {
        StoredChange change;
        change.number = rows.integer(0);
        change.record = rows.integer(1);
        change.operation = rows.utf8(2);
        change.acronymBefore = bytesAt(rows, 3);
        change.definitionBefore = bytesAt(rows, 4);
        change.activeBefore = integerAt(rows, 5);
        change.acronymAfter = bytesAt(rows, 6);
        change.definitionAfter = bytesAt(rows, 7);
        change.activeAfter = integerAt(rows, 8);
        change.at = rows.utf8(9);
        change.who = bytesAt(rows, 10);
        change.undoes = integerAt(rows, 11);
        visit(change);
    }
}

void putFileChange(Database &db, const StoredChange &change)
{
    Statement insert(db, filesql::copyChange);
    const auto text = [&](int column, const std::optional<std::string_view> &value) {
        if (value)
            insert.bindUtf8(column, *value);
    };
    const auto number = [&](int column, const std::optional<qint64> &value) {
        if (value)
            insert.bind(column, *value);
    };
    insert.bind(1, change.number);
    insert.bind(2, change.record);
    insert.bindUtf8(3, change.operation);
    text(4, change.acronymBefore);
    text(5, change.definitionBefore);
    number(6, change.activeBefore);
    text(7, change.acronymAfter);
    text(8, change.definitionAfter);
    number(9, change.activeAfter);
    insert.bindUtf8(10, change.at);
    text(11, change.who);
    number(12, change.undoes);
    insert.run();
}

void startFileHistory(const QString &path)
{
    Database db = Files::instance().open(path);
    Transaction write(db);
    if (keepsHistory(db))
        throw Error(Error::Kind::HistoryKept, path, QStringLiteral("the file keeps a history already"));
    addHistory(db);
    write.commit();
}

QList<Change> fileHistory(const QString &path, const HistoryFilter &filter)
{
    Database db = openKeeping(path);
    Statement rows(db, filesql::changes);
    if (!filter.key.isEmpty())
        rows.bind(1, trimSpaces(filter.key));
    if (filter.since.isValid())
        rows.bind(2, historyTimeText(filter.since));
    if (!filter.by.isEmpty())
        rows.bind(3, filter.by);
    QList<Change> found;
    while (rows.step())
        found << changeFromRow(rows);
    return found;
}

Undone undoFileChange(const QString &path, qint64 number, bool force)
{
    Database db = openKeeping(path);
    // The look and the write in one write transaction: nothing can change
    // the record between the check and the undo.
    Transaction write(db);
    OwnChanges own(db, true);
    Undone undone;
    {
        Statement read(db, filesql::change);
        read.bind(1, number);
        if (!read.step())
            throw Error(Error::Kind::NoSuchChange, path,
                        QStringLiteral("the history holds no change %1 (never made, or pruned)").arg(number));
        undone.change = changeFromRow(read);
    }
    const Change &change = undone.change;
    QList<qint64> later;
    {
        Statement rows(db, filesql::laterChanges);
        rows.bind(1, number);
        rows.bind(2, change.record);
        while (rows.step())
            later << rows.integer(0);
    }
    const bool exists = single(db, filesql::recordExists, change.record) != 0;
    const bool holdsAfter =
        change.operation == Operation::Deleted ? !exists : single(db, filesql::holdsAfter, number) != 0;
    // A deleted record coming back beside another of its acronym, added
    // since, would hide it from every lookup.
    std::optional<qint64> other;
    if (change.operation == Operation::Deleted && change.before.acronym) {
        Statement query(db, filesql::otherRecordOf);
        query.bind(1, trimSpaces(*change.before.acronym));
        query.bind(2, change.record);
        if (query.step())
            other = query.integer(0);
    }
    if (!force) {
        if (const QString why = undoRefusal(change, later, holdsAfter, other); !why.isEmpty())
            throw Error(Error::Kind::LaterChanges, path, why);
    }

    switch (change.operation) {
    case Operation::Added:
        if (exists) {
            Statement erase(db, filesql::removeRecord);
            erase.bind(1, change.record);
            erase.run();
        }
        break;
    case Operation::Appended:
    case Operation::Replaced:
    case Operation::Deleted: {
        // Back in its own place when that is free; SQLite gives a record a
        // rowid of our choosing.
        const bool takenPlace = change.operation == Operation::Deleted && exists;
        if (exists && !takenPlace) {
            Statement restore(db, filesql::restoreBefore);
            restore.bind(1, number);
            restore.run();
        } else {
            Statement reinsert(db, filesql::reinsertBefore);
            reinsert.bind(1, number);
            reinsert.bind(2, qint64(takenPlace ? 0 : 1));
            reinsert.run();
            undone.moved = takenPlace;
        }
        break;
    }
    }
    own.sign(number);
    const qint64 last = single(db, filesql::lastChange);
    undone.number = last > own.mark() ? last : 0;
    write.commit();
    return undone;
}

qint64 pruneFileHistory(const QString &path, int days)
{
    Database db = openKeeping(path);
    Transaction write(db);
    Statement prune(db, filesql::prune);
    prune.bind(1, QStringLiteral("-%1 days").arg(days));
    prune.run();
    const qint64 pruned = db.changes();
    write.commit();
    return pruned;
}

HistorySize fileHistorySize(const QString &path)
{
    Database db = Files::instance().open(path);
    db.exec(filesql::beginRead);
    HistorySize size;
    size.kept = keepsHistory(db);
    if (size.kept) {
        Statement count(db, filesql::historyCount);
        count.step();
        size.changes = count.integer(0);
        if (!count.isNull(1))
            size.oldest = historyTime(count.text(1));
        count.reset();
        try {
            size.bytes = single(db, filesql::historyPages);
        } catch (const Error &) {
            // A library built without dbstat: the values' own size.
            size.bytes = single(db, filesql::historyValueBytes);
        }
    }
    db.exec(filesql::endRead);
    return size;
}

} // namespace store
