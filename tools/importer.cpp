#include "tools/importer.h"

#include "store/bulkimport.h"

#include <string_view>

namespace tools {

namespace {

std::string_view view(const QByteArray &bytes)
{
    return {bytes.constData(), static_cast<size_t>(bytes.size())};
}

} // namespace

ImportReport importRecords(const QString &dbPath, QIODevice &input, const QString &name, const ImportOptions &options)
{
    RecordReader reader(input, name, options.reader);
    // About one record in every 32 bytes of a typical list.
    store::BulkImport dictionary(dbPath, reader.size() > 0 ? reader.size() / 32 : 0);

    ImportReport report;
    // Records are read one ahead: while one is stored, the place of the
    // next one's key is on its way from memory.
    struct Ahead
    {
        InputRecord record;
        store::BulkImport::Key key;
    } ahead[2];
    auto readNext = [&](Ahead &next) {
        if (!reader.next(next.record))
            return false;
        if (next.record.problem.isEmpty())
            next.key = dictionary.prepare(view(next.record.acronym));
        return true;
    };
    qint64 sinceProgress = 0;
    int current = 0;
    for (bool more = readNext(ahead[current]); more;) {
        more = readNext(ahead[1 - current]);
        const Ahead &item = ahead[current];
        current = 1 - current;
        const InputRecord &record = item.record;
        ++report.records;
        if (options.progress && ++sinceProgress == 4096) {
            sinceProgress = 0;
            options.progress(reader.position(), reader.size());
        }
        if (!record.problem.isEmpty()) {
            const QString line = QStringLiteral("line %1: %2").arg(record.line).arg(record.problem);
            if (options.strict)
                throw ImportRefused(QStringLiteral("%1: %2; nothing was imported").arg(name, line).toStdString());
            if (report.firstSkipped.size() < ImportReport::kListed)
                report.firstSkipped << line;
            ++report.skipped;
            continue;
        }
        switch (dictionary.put(item.key, view(record.definition))) {
        case store::BulkImport::Outcome::Added:
            ++report.added;
            break;
        case store::BulkImport::Outcome::Appended:
            ++report.appended;
            break;
        case store::BulkImport::Outcome::AlreadyThere:
            ++report.alreadyThere;
            break;
        }
    }
    if (report.records == 0)
        throw ImportRefused(QStringLiteral("%1 holds no records; nothing was imported").arg(name).toStdString());
    if (report.skipped < report.records)
        dictionary.commit();
    if (options.progress)
        options.progress(reader.position(), reader.size());
    return report;
}

} // namespace tools
