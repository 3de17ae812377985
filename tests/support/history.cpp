#include "support/history.h"

#include "support/printers.h"

namespace testing_support {

namespace {

std::optional<qint64> number(const std::optional<QString> &field)
{
    return field ? std::optional<qint64>(field->toLongLong()) : std::nullopt;
}

} // namespace

void PrintTo(const Recorded &change, std::ostream *out)
{
    *out << "{record " << change.record << ", " << change.operation.toStdString() << ", ";
    PrintTo(change.before, out);
    *out << " -> ";
    PrintTo(change.after, out);
    *out << ", by " << (change.who ? change.who->toStdString() : std::string("nobody"));
    if (change.undoes)
        *out << ", undoing " << change.undoes;
    *out << "}";
}

QList<Recorded> recordedIn(const Table &rows)
{
    QList<Recorded> changes;
    for (const auto &row : rows) {
        Recorded change;
        change.record = row.at(0)->toLongLong();
        change.operation = *row.at(1);
        change.before = Row{row.at(2), row.at(3), number(row.at(4))};
        change.after = Row{row.at(5), row.at(6), number(row.at(7))};
        change.who = row.at(8);
        change.undoes = number(row.at(9)).value_or(0);
        change.number = row.at(10)->toLongLong();
        changes << change;
    }
    return changes;
}

Records recordsIn(const Table &rows)
{
    Records records;
    for (const auto &row : rows)
        records.insert(row.at(0)->toLongLong(), Row{row.at(1), row.at(2), number(row.at(3))});
    return records;
}

Records replayed(const QList<Recorded> &changes)
{
    Records records;
    for (const Recorded &change : changes) {
        if (change.operation == QLatin1String("deleted"))
            records.remove(change.record);
        else
            records.insert(change.record, change.after);
    }
    return records;
}

QList<Recorded> fileHistory(const QString &path)
{
    return recordedIn(queryFile(path, QString::fromUtf8(kFileHistorySql)));
}

Records fileRecords(const QString &path)
{
    return recordsIn(queryFile(path, QString::fromUtf8(kFileRecordsSql)));
}

} // namespace testing_support
