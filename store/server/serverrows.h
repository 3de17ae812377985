#pragma once

// Many rows into a server, a few hundred to a statement: one round trip
// for each batch rather than each row.

#include "store/server/postgres.h"

#include <QByteArray>
#include <QList>

#include <functional>
#include <initializer_list>

namespace store {

class RowBatches
{
public:
    // Each statement is head, then row once for each row, with every '?' in
    // it the row's next parameter, then tail. The rows of one INSERT get
    // their ids in the order given.
    RowBatches(pg::Connection &connection, const char *head, const char *row, const char *tail = "");
    void add(std::initializer_list<pg::Param> values);
    // Sends the rows not sent yet.
    void flush();

private:
    pg::Connection &m_connection;
    QByteArray m_head;
    QByteArray m_row;
    QByteArray m_tail;
    QByteArray m_sql;
    QList<pg::Param> m_params;
    int m_rows = 0;
};

// Every record in id order, a few megabytes at a time (one record at
// least), so that long definitions never come many at once; in the
// caller's transaction, which should be of one moment (oneMoment). For each
// batch, sql runs with $1 the last id before the batch, $2 the batch's last
// id and params from $3 on, and visit takes its result.
void inSizedBatches(pg::Connection &connection, const char *sql, const QList<pg::Param> &params,
                    const std::function<void(const pg::Result &)> &visit);

} // namespace store
