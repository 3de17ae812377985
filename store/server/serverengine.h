#pragma once

// The server engine: table acronyms in a PostgreSQL database, reached
// through libpq, which is loaded when a server is first used. Its parts are
// the shared connection (link.*), the open dictionary (serverbackend.cpp),
// the whole-table work (serverbulk.cpp) and the engine itself
// (serverengine.cpp); all of its SQL is in serversql.h.

#include "store/engine.h"

#include <QString>

#include <chrono>
#include <memory>

namespace store {

std::unique_ptr<Engine> makeServerEngine(const QString &connectionString);

// The engine's parts, opened at once.
std::unique_ptr<Backend> openServerBackend(const QString &connectionString);
std::unique_ptr<BulkWriter> openServerBulkWriter(const QString &connectionString);
std::unique_ptr<CopyTarget> openServerCopyTarget(const QString &connectionString);
void forEachServerRecord(const QString &connectionString, const RecordVisitor &visit, const ChangeVisitor &changes);
void forEachServerOutline(const QString &connectionString, const OutlineVisitor &visit);

// A server's connection string as host, port and database: never a password.
QString describeServer(const QString &connectionString);

namespace pg {
class Connection;
}

// The history of changes (serverhistory.cpp).
bool serverKeepsHistory(pg::Connection &connection);
// The table, its trigger functions and triggers, in the caller's transaction.
void addServerHistory(pg::Connection &connection);
// Every change, oldest first, in the caller's transaction.
void forEachServerChange(pg::Connection &connection, const ChangeVisitor &visit);
void startServerHistory(const QString &connectionString);
QList<Change> serverHistory(const QString &connectionString, const HistoryFilter &filter);
Undone undoServerChange(const QString &connectionString, qint64 number, bool force);
qint64 pruneServerHistory(const QString &connectionString, int days);
HistorySize serverHistorySize(const QString &connectionString);

// Makes table acronyms, its lookup index and its history in the server's
// database.
// Refuses when the table exists: it may hold somebody's words. The program
// itself never changes a server's tables; this is for orvex-db.
void createServerDictionary(const QString &connectionString);

// The SQL that lets readerRole look up (SELECT) and writerRole also add and
// change (SELECT, INSERT, UPDATE, the id sequence): never DELETE, never DDL.
// The writer reads the history (for undo); the reader only when granted it,
// in a line left for the owner to choose; neither may change it.
QString serverGrants(const QString &readerRole, const QString &writerRole);

// A connection unused this long is closed, so that a window left open all day
// holds nothing on the server; the next operation opens it again. A minute
// unless changed.
void setServerIdleTimeout(std::chrono::milliseconds idle);

} // namespace store
