// The server's history of changes: table acronyms_history, filled by the
// triggers serversql.h makes; here are making it, reading it, undoing a
// change and pruning.

#include "store/server/postgres.h"
#include "store/server/serverengine.h"
#include "store/server/serversql.h"
#include "store/text.h"

#include <QStringList>

namespace store {

namespace {

std::optional<QString> textAt(const pg::Result &rows, int row, int column)
{
    return rows.isNull(row, column) ? std::nullopt : std::optional<QString>(rows.text(row, column));
}

std::optional<std::string_view> bytesAt(const pg::Result &rows, int row, int column)
{
    return rows.isNull(row, column) ? std::nullopt : std::optional<std::string_view>(rows.utf8(row, column));
}

std::optional<qint64> integerAt(const pg::Result &rows, int row, int column)
{
    return rows.isNull(row, column) ? std::nullopt : std::optional<qint64>(rows.integer(row, column));
}

// A row of the columns serversql names ORVEX_SERVER_CHANGE.
Change changeAt(const pg::Result &rows, int row)
{
    Change change;
    change.number = rows.integer(row, 0);
    change.record = rows.integer(row, 1);
    change.before = {textAt(rows, row, 3), textAt(rows, row, 4), integerAt(rows, row, 5)};
    change.after = {textAt(rows, row, 6), textAt(rows, row, 7), integerAt(rows, row, 8)};
    change.operation = operationOf(rows.utf8(row, 2), change.before, change.after);
    change.at = historyTime(rows.text(row, 9));
    change.who = rows.text(row, 10);
    change.undoes = rows.isNull(row, 11) ? 0 : rows.integer(row, 11);
    return change;
}

void requireHistory(pg::Connection &connection)
{
    if (!serverKeepsHistory(connection))
        throw Error::fromServer(Error::Kind::NoHistory, connection.location(),
                                QStringLiteral("table acronyms keeps no history of changes (table acronyms_history)"));
}

} // namespace

bool serverKeepsHistory(pg::Connection &connection)
{
    return connection.exec(serversql::keepsHistory).boolean(0, 0);
}

void addServerHistory(pg::Connection &connection)
{
    // The owner's functions name the table's own schema, never a search path.
    const QString schema = connection.exec(serversql::historySchema).text(0, 0);
    for (const char *sql : serversql::createHistory)
        connection.exec(QString::fromUtf8(sql).replace(QLatin1String("%1"), schema).toUtf8().constData());
}

void forEachServerChange(pg::Connection &connection, const ChangeVisitor &visit)
{
    if (!serverKeepsHistory(connection))
        return;
    for (qint64 after = 0;;) {
        const pg::Result rows = connection.exec(serversql::changesAfter, {after});
        if (rows.rows() == 0)
            return;
        for (int row = 0; row < rows.rows(); ++row) {
            StoredChange change;
            change.number = rows.integer(row, 0);
            change.record = rows.integer(row, 1);
            change.operation = rows.utf8(row, 2);
            change.acronymBefore = bytesAt(rows, row, 3);
            change.definitionBefore = bytesAt(rows, row, 4);
            change.activeBefore = integerAt(rows, row, 5);
            change.acronymAfter = bytesAt(rows, row, 6);
            change.definitionAfter = bytesAt(rows, row, 7);
            change.activeAfter = integerAt(rows, row, 8);
            change.at = rows.utf8(row, 9);
            change.who = bytesAt(rows, row, 10);
            change.undoes = integerAt(rows, row, 11);
            visit(change);
        }
        after = rows.integer(rows.rows() - 1, 0);
    }
}

void startServerHistory(const QString &connectionString)
{
    pg::Connection connection(connectionString);
    pg::Transaction transaction(connection);
    if (!connection.exec(serversql::tableExists).boolean(0, 0))
        throw Error::fromServer(Error::Kind::NoTable, connection.location(),
                                QStringLiteral("there is no table acronyms"));
    if (serverKeepsHistory(connection))
        throw Error::fromServer(Error::Kind::HistoryKept, connection.location(),
                                QStringLiteral("table acronyms_history exists already"));
    addServerHistory(connection);
    transaction.commit();
}

QList<Change> serverHistory(const QString &connectionString, const HistoryFilter &filter)
{
    pg::Connection connection(connectionString);
    requireHistory(connection);
    const pg::Result rows = connection.exec(
        serversql::changes, {filter.key.isEmpty() ? pg::Param::null() : pg::Param(trimSpaces(filter.key)),
                             filter.since.isValid() ? pg::Param(historyTimeText(filter.since)) : pg::Param::null(),
                             filter.by.isEmpty() ? pg::Param::null() : pg::Param(filter.by)});
    QList<Change> found;
    for (int row = 0; row < rows.rows(); ++row)
        found << changeAt(rows, row);
    return found;
}

Undone undoServerChange(const QString &connectionString, qint64 number, bool force)
{
    pg::Connection connection(connectionString);
    requireHistory(connection);
    pg::Transaction transaction(connection);
    Undone undone;
    {
        const pg::Result row = connection.exec(serversql::change, {number});
        if (row.rows() == 0)
            throw Error::fromServer(
                Error::Kind::NoSuchChange, connection.location(),
                QStringLiteral("the history holds no change %1 (never made, or pruned)").arg(number));
        undone.change = changeAt(row, 0);
    }
    const Change &change = undone.change;
    // Writers of the acronym wait, as for an add, and so do those of the
    // record, until the undo commits.
    const std::optional<QString> acronym = change.before.acronym ? change.before.acronym : change.after.acronym;
    connection.exec(serversql::lockKey, {acronym.value_or(QString())});
    const bool exists = connection.exec(serversql::lockRecord, {change.record}).boolean(0, 0);
    QList<qint64> later;
    {
        const pg::Result rows = connection.exec(serversql::laterChanges, {number, change.record});
        for (int row = 0; row < rows.rows(); ++row)
            later << rows.integer(row, 0);
    }
    const bool holdsAfter = change.operation == Operation::Deleted
                                ? !exists
                                : connection.exec(serversql::holdsAfter, {number}).boolean(0, 0);
    // A deleted record coming back beside another of its acronym, added
    // since, would hide it from every lookup.
    std::optional<qint64> other;
    if (change.operation == Operation::Deleted && change.before.acronym) {
        const pg::Result found = connection.exec(serversql::otherRecordOf, {*change.before.acronym, change.record});
        if (found.rows() > 0)
            other = found.integer(0, 0);
    }
    if (!force) {
        if (const QString why = undoRefusal(change, later, holdsAfter, other); !why.isEmpty())
            throw Error::fromServer(Error::Kind::LaterChanges, connection.location(), why);
    }

    connection.exec(serversql::undoing, {QString::number(number)});
    const qint64 newestBefore = connection.exec(serversql::newestChangeOf, {change.record}).integer(0, 0);
    qint64 record = change.record;
    switch (change.operation) {
    case Operation::Added:
        if (exists)
            connection.exec(serversql::removeRecord, {change.record});
        break;
    case Operation::Appended:
    case Operation::Replaced:
    case Operation::Deleted:
        if (change.operation == Operation::Deleted && exists) {
            // Its place is taken: the server numbers it anew.
            record = connection.exec(serversql::reinsertBeforeAtEnd, {number}).integer(0, 0);
            undone.moved = true;
        } else if (exists) {
            connection.exec(serversql::restoreBefore, {number});
        } else {
            connection.exec(serversql::reinsertBefore, {number});
        }
        break;
    }
    const qint64 newest = connection.exec(serversql::newestChangeOf, {record}).integer(0, 0);
    undone.number = record != change.record || newest > newestBefore ? newest : 0;
    transaction.commit();
    return undone;
}

qint64 pruneServerHistory(const QString &connectionString, int days)
{
    pg::Connection connection(connectionString);
    requireHistory(connection);
    return connection.exec(serversql::prune, {qint64(days)}).integer(0, 0);
}

HistorySize serverHistorySize(const QString &connectionString)
{
    pg::Connection connection(connectionString);
    HistorySize size;
    size.kept = serverKeepsHistory(connection);
    if (!size.kept)
        return size;
    size.bytes = connection.exec(serversql::historyBytes).integer(0, 0);
    try {
        const pg::Result count = connection.exec(serversql::historyCount);
        size.changes = count.integer(0, 0);
        if (!count.isNull(0, 1))
            size.oldest = historyTime(count.text(0, 1));
    } catch (const Error &error) {
        if (error.kind() != Error::Kind::NoPermission)
            throw;
        size.readable = false;
    }
    return size;
}

} // namespace store
