#pragma once

// What only a server dictionary has: making its table, the grants its users
// need, and how long an unused connection is kept.

#include <QString>

#include <chrono>

namespace store {

// Makes table acronyms and its lookup index in the server's database.
// Refuses when the table exists: it may hold somebody's words. The program
// itself never changes a server's tables; this is for orvex-db.
void createServerDictionary(const QString &connectionString);

// The SQL that lets readerRole look up (SELECT) and writerRole also add and
// change (SELECT, INSERT, UPDATE, the id sequence): never DELETE, never DDL.
QString serverGrants(const QString &readerRole, const QString &writerRole);

// A connection unused this long is closed, so that a window left open all day
// holds nothing on the server; the next operation opens it again. A minute
// unless changed.
void setServerIdleTimeout(std::chrono::milliseconds idle);

} // namespace store
