#pragma once

// A dictionary's history of changes as another program reads it, never
// through the code under test, and the table that replaying it gives.

#include "support/tempdictionary.h"

#include <QMap>
#include <QString>

#include <optional>
#include <ostream>

namespace testing_support {

inline const Row kNoRecord{std::nullopt, std::nullopt, std::nullopt};

// One change as the history holds it.
struct Recorded
{
    qint64 number = 0; // not compared: what undo takes
    qint64 record = 0;
    QString operation;
    Row before = kNoRecord;
    Row after = kNoRecord;
    std::optional<QString> who;
    qint64 undoes = 0;

    bool operator==(const Recorded &other) const
    {
        return record == other.record && operation == other.operation && before == other.before && after == other.after
               && who == other.who && undoes == other.undoes;
    }
};
void PrintTo(const Recorded &change, std::ostream *out);

// Every record by its id.
using Records = QMap<qint64, Row>;

// The same columns from either engine, oldest change first.
inline constexpr const char *kFileHistorySql =
    "SELECT Record, Operation, AcronymBefore, DefinitionBefore, ActiveBefore, AcronymAfter, DefinitionAfter, "
    "ActiveAfter, Who, Undoes, Change FROM AcronymsHistory ORDER BY Change";
inline constexpr const char *kServerHistorySql =
    "SELECT record, operation, acronym_before, definition_before, active_before, acronym_after, definition_after, "
    "active_after, who, undoes, change FROM acronyms_history ORDER BY change";
inline constexpr const char *kFileRecordsSql = "SELECT rowid, Acronym, Definition, Active FROM Acronyms";
inline constexpr const char *kServerRecordsSql = "SELECT id, acronym, definition, active FROM acronyms";

QList<Recorded> recordedIn(const Table &rows);
Records recordsIn(const Table &rows);

// The table the changes give when each is done again, in their order, on
// an empty one.
Records replayed(const QList<Recorded> &changes);

// A file's.
QList<Recorded> fileHistory(const QString &path);
Records fileRecords(const QString &path);

} // namespace testing_support
