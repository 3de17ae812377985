#pragma once

// A dictionary's history of changes: every record added, appended to,
// replaced or deleted, by whom and when, with the record as it was before
// and after. Each engine keeps it itself (triggers on the table), so that
// no writer, another program included, leaves a change unrecorded; a
// lookup records nothing.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>
#include <string_view>

namespace store {

enum class Operation {
    Added, // a new record
    Appended, // the definition kept, " - " and more after it
    Replaced, // anything else that changed a record
    Deleted,
};

// "added", "appended", "replaced", "deleted": the words the history shows.
const char *operationName(Operation operation);
std::optional<Operation> operationNamed(std::string_view name);

// A record's fields as they stood; a field without a value is absent.
struct RecordState
{
    std::optional<QString> acronym;
    std::optional<QString> definition;
    std::optional<qint64> active;

    bool operator==(const RecordState &other) const
    {
        return acronym == other.acronym && definition == other.definition && active == other.active;
    }
};

struct Change
{
    qint64 number = 0; // what undo takes; never given twice
    qint64 record = 0; // the record's id: its place in natural order
    Operation operation = Operation::Added;
    RecordState before; // nothing for an added record
    RecordState after; // nothing for a deleted one
    QDateTime at; // UTC
    // The operating-system user (a file) or the database role (a server);
    // "" when another program changed a file and did not say who.
    QString who;
    qint64 undoes = 0; // the change this one undid, or 0
};

struct HistoryFilter
{
    QString key; // "": every acronym; else a key, matched trimmed against the acronym before or after
    QDateTime since; // invalid: from the first change kept
    QString by; // "": anybody
};

struct HistorySize
{
    bool kept = false; // whether the dictionary keeps a history at all
    bool readable = true; // false: kept, but this role may not read it
    qint64 changes = 0;
    qint64 bytes = 0; // the space it takes on the disk
    QDateTime oldest; // of the changes kept; invalid when there are none
};

// What undo did.
struct Undone
{
    Change change; // the change undone
    qint64 number = 0; // the new change that undid it; 0 when nothing needed changing
    // A deleted record that came back in a place of its own, at the end of
    // the natural order, as its place had been taken.
    bool moved = false;
};

// A change as the engine stores it, for copying: the bytes as they are,
// the time as "YYYY-MM-DD HH:MM:SS.SSS" in UTC. The views last for the call.
struct StoredChange
{
    qint64 number = 0;
    qint64 record = 0;
    std::string_view operation;
    std::optional<std::string_view> acronymBefore;
    std::optional<std::string_view> definitionBefore;
    std::optional<qint64> activeBefore;
    std::optional<std::string_view> acronymAfter;
    std::optional<std::string_view> definitionAfter;
    std::optional<qint64> activeAfter;
    std::string_view at;
    std::optional<std::string_view> who;
    std::optional<qint64> undoes;
};

using ChangeVisitor = std::function<void(const StoredChange &)>;

// A change's operation from the word an engine stored: one of the four, or
// "changed" (a file's triggers store no more), told appended or replaced by
// the values before and after.
Operation operationOf(std::string_view stored, const RecordState &before, const RecordState &after);

// The time of a change as both engines give it: "YYYY-MM-DD HH:MM:SS.SSS",
// UTC; and back.
// Why undoing change would write over what came after it: the later
// changes of its record, a write to the record the history did not record
// (the record no longer holds change's after), and, for a delete, another
// record that holds its acronym now. "" when nothing stands in the way.
QString undoRefusal(const Change &change, const QList<qint64> &later, bool holdsAfter, std::optional<qint64> other);

QDateTime historyTime(const QString &text);
QString historyTimeText(const QDateTime &at);

} // namespace store
