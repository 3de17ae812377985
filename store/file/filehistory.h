#pragma once

// The file engine's history of changes: table AcronymsHistory, filled by
// triggers on Acronyms (filesql.h), and signed by this program's writes.

#include "store/file/sqlite.h"
#include "store/history.h"
#include "store/records.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace store {

// The operating-system user this program runs as: who a file's change
// names.
const QString &operatingSystemUser();

bool keepsHistory(Database &db);
// Adds the table and its triggers, in the caller's transaction.
void addHistory(Database &db);

// A write transaction's own changes: those the triggers record after this
// mark are this program's, and sign() puts its user's name on them. Nothing
// is read or written where the file keeps no history.
class OwnChanges
{
public:
    OwnChanges(Database &db, bool kept);
    // undoes: the change being undone, or 0.
    void sign(qint64 undoes = 0);
    qint64 mark() const { return m_mark; }

private:
    Database &m_db;
    bool m_kept = false;
    qint64 m_mark = 0;
};

// A bulk write in one transaction records its changes itself, in bulk:
// the history's triggers leave for the transaction and come back before
// it commits (a rollback brings them back too).
class QuietHistory
{
public:
    explicit QuietHistory(Database &db);
    bool kept() const { return m_kept; }
    // Records as added every record after rowid, in the caller's transaction.
    void recordAddedAfter(qint64 rowid);
    void resume();

private:
    Database &m_db;
    bool m_kept = false;
    QList<QByteArray> m_triggers;
};

// Every change, oldest first, in the caller's read transaction; none
// where the file keeps no history.
void forEachFileChange(Database &db, const ChangeVisitor &visit);
// A source's change, as it stands, in the caller's transaction.
void putFileChange(Database &db, const StoredChange &change);

// The engine's history operations (Engine).
void startFileHistory(const QString &path);
QList<Change> fileHistory(const QString &path, const HistoryFilter &filter);
Undone undoFileChange(const QString &path, qint64 number, bool force);
qint64 pruneFileHistory(const QString &path, int days);
HistorySize fileHistorySize(const QString &path);

} // namespace store
