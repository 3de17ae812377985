// The file engine's bulk writer: one write transaction, the first record of
// every stored acronym found once through a flat key table, new records
// kept in SQLite's page cache until the commit.

#include "store/file/acronymindex.h"
#include "store/file/fileengine.h"
#include "store/file/filehistory.h"
#include "store/file/files.h"
#include "store/file/filesql.h"
#include "store/file/sqlite.h"
#include "store/keyindex.h"
#include "store/rules.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace store {

namespace {

BulkImport::Outcome outcomeOf(OpenEntry::Outcome outcome)
{
    return outcome == OpenEntry::Outcome::Appended ? BulkImport::Outcome::Appended : BulkImport::Outcome::AlreadyThere;
}

class FileBulkWriter final : public BulkWriter
{
public:
    FileBulkWriter(const QString &path, qint64 expectedRecords);
    void expect(quint64 hash) const override { m_firstRow.prefetch(hash); }
    BulkImport::Outcome put(BulkImport::Key key, std::string_view definition) override;
    void commit() override;

private:
    OpenEntry &openEntry(qint64 &slot);

    Database m_db;
    // A table made by another tool may declare a field INTEGER, REAL or
    // NUMERIC, and SQLite would then store text such as "0800" as the number
    // 800. Only then is each new record checked, and taken back when changed.
    bool m_mayChangeText = false;
    std::optional<Transaction> m_transaction;
    // The history's triggers rest during the import: the new records are
    // recorded in one statement at the end.
    std::optional<QuietHistory> m_history;
    qint64 m_lastRowidBefore = 0;
    std::optional<Statement> m_insert;
    std::optional<Statement> m_read;
    // Trimmed stored acronym -> rowid of its first record (a flat table: a
    // node-based map costs a cache miss or two per record), or -2 - i for
    // the open entry i.
    KeyIndex m_firstRow;
    std::vector<OpenEntry> m_open;
    qint64 m_rowsBefore = 0;
    qint64 m_added = 0;
    bool m_indexDropped = false;
};

FileBulkWriter::FileBulkWriter(const QString &path, qint64 expectedRecords)
    : m_db(Files::instance().open(path))
    , m_firstRow(expectedRecords)
{
    // New records are kept in memory until the commit instead of being
    // written out and read back for the index: about 64 bytes a record.
    const qint64 cacheKiB = std::clamp<qint64>(expectedRecords / 16, 2000, 256 * 1024);
    m_db.exec(QByteArray(filesql::cacheKiB).replace("%1", QByteArray::number(cacheKiB)).constData());
    m_transaction.emplace(m_db);
    m_history.emplace(m_db);
    {
        Statement last(m_db, filesql::lastRowid);
        last.step();
        m_lastRowidBefore = last.integer(0);
    }
    {
        Statement scan(m_db, filesql::firstRows);
        while (scan.step()) {
            ++m_rowsBefore;
            if (!scan.isNull(1)) {
                qint64 &row = m_firstRow.entry(trimSpaces(scan.utf8(1)));
                if (row == -1)
                    row = scan.integer(0);
            }
        }
    }
    {
        Statement columns(m_db, filesql::declaredTypes);
        while (columns.step())
            m_mayChangeText = m_mayChangeText || declaredTypeMayChangeText(columns.utf8(0));
    }
    m_insert.emplace(m_db, m_mayChangeText ? filesql::bulkInsertChecked : filesql::bulkInsert);
    m_read.emplace(m_db, filesql::definitionAt);
}

OpenEntry &FileBulkWriter::openEntry(qint64 &slot)
{
    if (slot < 0)
        return m_open[static_cast<size_t>(-2 - slot)];
    std::string stored;
    m_read->bind(1, slot);
    if (m_read->step() && !m_read->isNull(0))
        stored = std::string(m_read->utf8(0));
    m_read->reset();
    m_open.emplace_back(slot, std::move(stored));
    slot = -2 - static_cast<qint64>(m_open.size() - 1);
    return m_open.back();
}

BulkImport::Outcome FileBulkWriter::put(BulkImport::Key key, std::string_view definition)
{
    qint64 &row = m_firstRow.entry(trimSpaces(key.stored), key.hash);
    if (row != -1)
        return outcomeOf(openEntry(row).add(definition));
    // Past a few thousand new records, rebuilding the lookup index once at
    // the end is cheaper than keeping it up to date record by record.
    if (!m_indexDropped && ++m_added > std::max<qint64>(2000, m_rowsBefore / 8)) {
        dropAcronymIndex(m_db);
        m_indexDropped = true;
    }
    m_insert->bindUtf8(1, key.stored);
    m_insert->bindUtf8(2, definition);
    if (m_mayChangeText && m_insert->step() && !(storedAsText(m_insert->utf8(0)) && storedAsText(m_insert->utf8(1)))) {
        m_insert->reset();
        Statement takeBack(m_db, filesql::remove);
        takeBack.bind(1, m_db.lastInsertRowid());
        takeBack.run();
        return BulkImport::Outcome::NotText; // the key stays unknown: row is -1
    }
    m_insert->run();
    m_insert->reset();
    row = m_db.lastInsertRowid();
    return BulkImport::Outcome::Added;
}

void FileBulkWriter::commit()
{
    // The new records' later meanings first, unrecorded, so that each new
    // record is recorded once, added with all of its meanings; then the
    // stored records' meanings, each recorded as appended by the triggers,
    // and the new records last, as the server records them.
    const auto writeOpen = [this](bool added) {
        Statement update(m_db, filesql::setDefinition);
        for (const OpenEntry &entry : m_open) {
            if (!entry.changed || (entry.id > m_lastRowidBefore) != added)
                continue;
            update.bindUtf8(1, entry.definition);
            update.bind(2, entry.id);
            update.run();
            update.reset();
        }
    };
    m_insert.reset();
    m_read.reset();
    writeOpen(true);
    m_history->resume();
    OwnChanges own(m_db, m_history->kept());
    writeOpen(false);
    own.sign();
    // A dictionary made by another tool gets the lookup index here too,
    // rather than on the program's first lookup. Sorted in small runs on
    // two threads: one large in-memory run sorts slower.
    m_db.exec(filesql::sortOnTwoThreads);
    m_db.exec(QByteArray(filesql::cacheKiB).replace("%1", "2000").constData());
    createAcronymIndex(m_db);
    // Recorded behind the small cache: the history's pages go to the file
    // as they fill instead of taking as much memory again as the records,
    // which costs more than writing them where a page fault is dear.
    m_history->recordAddedAfter(m_lastRowidBefore);
    m_transaction->commit();
}

} // namespace

std::unique_ptr<BulkWriter> openFileBulkWriter(const QString &path, qint64 expectedRecords)
{
    return std::make_unique<FileBulkWriter>(path, expectedRecords);
}

} // namespace store
