#include "store/copy.h"

#include "store/engine.h"
#include "store/text.h"

namespace store {

namespace {

QString recordNamed(qint64 number, const StoredRecord &record)
{
    const std::string_view acronym = record.acronym.value_or(std::string_view());
    return QStringLiteral("record %1 (%2)").arg(number).arg(fromStoredUtf8(acronym));
}

} // namespace

CopyReport copyDictionary(const Location &from, const Location &to)
{
    const std::unique_ptr<CopyTarget> target = engineFor(to)->copyTarget();
    CopyReport report;
    engineFor(from)->forEachRecord([&](const StoredRecord &record) {
        ++report.copied;
        try {
            if (const QString how = target->put(record); !how.isEmpty())
                report.changed << recordNamed(report.copied, record) + QStringLiteral(": ") + how;
        } catch (const Error &error) {
            throw error.about(recordNamed(report.copied, record));
        }
    });
    target->commit();
    return report;
}

} // namespace store
