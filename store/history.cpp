#include "store/history.h"

#include "store/text.h"

#include <QStringList>
#include <QTimeZone>

namespace store {

namespace {

constexpr const char *kNames[] = {"added", "appended", "replaced", "deleted"};
constexpr const char *kTimeFormat = "yyyy-MM-dd HH:mm:ss.zzz";

} // namespace

const char *operationName(Operation operation)
{
    return kNames[static_cast<int>(operation)];
}

std::optional<Operation> operationNamed(std::string_view name)
{
    for (int i = 0; i < 4; ++i) {
        if (name == kNames[i])
            return static_cast<Operation>(i);
    }
    return std::nullopt;
}

Operation operationOf(std::string_view stored, const RecordState &before, const RecordState &after)
{
    if (stored != "changed")
        return operationNamed(stored).value_or(Operation::Replaced);
    // Appended: the acronym kept, the definition the old one, " - " and more.
    const QString head = before.definition.value_or(QString()) + QLatin1String(" - ");
    const bool appended = before.acronym == after.acronym && before.active == after.active && after.definition
                          && after.definition->size() > head.size() && after.definition->startsWith(head);
    return appended ? Operation::Appended : Operation::Replaced;
}

QDateTime historyTime(const QString &text)
{
    // Date and time read apart: read as one they would be taken for local
    // time first, in which an hour a year does not exist.
    return QDateTime(QDate::fromString(text.left(10), Qt::ISODate),
                     QTime::fromString(text.mid(11, 12), QStringLiteral("HH:mm:ss.zzz")), QTimeZone::utc());
}

QString historyTimeText(const QDateTime &at)
{
    return at.toUTC().toString(QLatin1String(kTimeFormat));
}

QString undoRefusal(const Change &change, const QList<qint64> &later, bool holdsAfter, std::optional<qint64> other)
{
    QStringList why;
    if (!later.isEmpty()) {
        QStringList numbers;
        for (const qint64 number : later)
            numbers << QString::number(number);
        why << QStringLiteral("later changes (%1) changed record %2")
                   .arg(numbers.join(QLatin1String(", ")))
                   .arg(change.record);
    } else if (!holdsAfter) {
        why << QStringLiteral("record %1 was changed since by a write the history did not record").arg(change.record);
    }
    if (other)
        why << QStringLiteral("record %1 holds %2 now").arg(*other).arg(trimSpaces(*change.before.acronym));
    return why.join(QLatin1String("; "));
}

} // namespace store
