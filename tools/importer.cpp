#include "tools/importer.h"

#include "store/bulkimport.h"
#include "tools/interruption.h"
#include "tools/readahead.h"
#include "tools/toolerror.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <string_view>
#include <vector>

namespace tools {

ImportReport importRecords(const store::Location &db, QIODevice &input, const QString &name,
                           const ImportOptions &options)
{
    RecordReader reader(input, name, options.reader);
    const qint64 total = reader.size();
    // About one record in every 32 bytes of a typical list.
    store::BulkImport dictionary(db, total > 0 ? total / 32 : 0);

    ImportReport report;
    qint64 position = 0;
    // How many records ahead a key's place in memory is asked for: enough
    // for it to arrive while the records before it are stored.
    constexpr size_t kKeysAhead = 8;
    ReadAhead ahead(reader);
    ReadAhead::Batch batch;
    while (ahead.next(batch)) {
        const std::vector<ReadAhead::Record> &records = batch.records;
        for (size_t i = 0; i < records.size(); ++i) {
            if (i + kKeysAhead < records.size() && records[i + kKeysAhead].problem.isEmpty())
                dictionary.expect(records[i + kKeysAhead].hash);
            const ReadAhead::Record &record = records[i];
            if (interrupted())
                throw ImportRefused(QStringLiteral("%1: interrupted; nothing was imported").arg(name).toStdString());
            ++report.records;
            const auto skip = [&](const QString &problem) {
                const QString line = QStringLiteral("line %1: %2").arg(record.line).arg(problem);
                if (options.strict)
                    throw ImportRefused(QStringLiteral("%1: %2; nothing was imported").arg(name, line).toStdString());
                if (report.firstSkipped.size() < ImportReport::kListed)
                    report.firstSkipped << line;
                ++report.skipped;
            };
            if (!record.problem.isEmpty()) {
                skip(record.problem);
                continue;
            }
            switch (dictionary.put(batch.key(record), batch.definition(record))) {
            case store::BulkImport::Outcome::Added:
                ++report.added;
                break;
            case store::BulkImport::Outcome::Appended:
                ++report.appended;
                break;
            case store::BulkImport::Outcome::AlreadyThere:
                ++report.alreadyThere;
                break;
            case store::BulkImport::Outcome::NotText:
                skip(QStringLiteral("the dictionary's table would store it as a number"));
                break;
            }
        }
        position = batch.position;
        if (options.progress)
            options.progress(position, total);
    }
    if (interrupted())
        throw ImportRefused(QStringLiteral("%1: interrupted; nothing was imported").arg(name).toStdString());
    if (report.records == 0)
        throw ImportRefused(QStringLiteral("%1 holds no records; nothing was imported").arg(name).toStdString());
    if (report.skipped < report.records)
        dictionary.commit();
    if (options.progress)
        options.progress(position, total);
    return report;
}

QIODevice &wholeInput(QFile &input, QTemporaryFile &spool, const QString &name)
{
    if (!input.fileName().isEmpty() && QFileInfo(input.fileName()).isFile())
        return input;
    if (!spool.open())
        throw ToolError(
            QStringLiteral("%1: no room for a copy of the input (%2)").arg(name, spool.errorString()).toStdString());
    QByteArray block(1 << 16, Qt::Uninitialized);
    for (;;) {
        if (interrupted())
            throw ToolError(QStringLiteral("%1: interrupted; nothing was imported").arg(name).toStdString());
        const qint64 got = input.read(block.data(), block.size());
        if (got < 0)
            throw ToolError(QStringLiteral("%1: %2").arg(name, input.errorString()).toStdString());
        if (got == 0)
            break;
        if (spool.write(block.constData(), got) != got)
            throw ToolError(QStringLiteral("%1: the copy of the input could not be written (%2)")
                                .arg(name, spool.errorString())
                                .toStdString());
    }
    spool.seek(0);
    return spool;
}

} // namespace tools
