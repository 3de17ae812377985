// The server's whole-table work: every record read from one snapshot, and
// many records written in one transaction.

#include "store/bulkwriter.h"
#include "store/postgres.h"
#include "store/records.h"
#include "store/serversql.h"
#include "store/text.h"

#include <QByteArray>
#include <QList>

#include <optional>
#include <unordered_map>
#include <vector>

namespace store {

void forEachServerRecord(const QString &connectionString, const RecordVisitor &visit)
{
    pg::Connection connection(connectionString);
    // One snapshot for the whole table, read a batch at a time.
    pg::Transaction snapshot(connection);
    connection.exec("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ");
    qint64 after = 0;
    for (;;) {
        const pg::Result rows = connection.exec(
            "SELECT id, acronym, definition, active FROM acronyms WHERE id > $1 ORDER BY id LIMIT 5000", {after});
        for (int row = 0; row < rows.rows(); ++row) {
            StoredRecord record;
            if (!rows.isNull(row, 1))
                record.acronym = rows.utf8(row, 1);
            if (!rows.isNull(row, 2))
                record.definition = rows.utf8(row, 2);
            if (!rows.isNull(row, 3))
                record.active = rows.integer(row, 3);
            visit(record);
            after = rows.integer(row, 0);
        }
        if (rows.rows() == 0)
            break;
    }
    snapshot.commit();
}

namespace {

// Rows of one INSERT or UPDATE: few statements for many records; an
// INSERT's ids are given in the order of its rows.
constexpr int kRowsPerInsert = 500;

class ServerBulkWriter final : public BulkWriter
{
public:
    explicit ServerBulkWriter(const QString &connectionString);
    void expect(quint64) const override {}
    BulkImport::Outcome put(BulkImport::Key key, std::string_view definition) override;
    void commit() override;

private:
    OpenEntry &openEntry(qint64 &slot);

    pg::Connection m_connection;
    std::optional<pg::Transaction> m_transaction;
    // Trimmed stored acronym -> id of its first record, or -2 - i for the
    // open entry i. A team's list is thousands of acronyms, not millions.
    std::unordered_map<std::string, qint64> m_firstRow;
    // The first records' definitions, read with their acronyms: one query
    // for the table rather than one for each acronym the import meets.
    std::unordered_map<qint64, std::string> m_stored;
    std::vector<OpenEntry> m_open;
    // The new records in the order they came: key as stored, open entry.
    std::vector<std::pair<std::string, size_t>> m_added;
};

ServerBulkWriter::ServerBulkWriter(const QString &connectionString)
    : m_connection(connectionString)
{
    m_transaction.emplace(m_connection);
    m_connection.exec(serversql::holdOffAdds);
    m_connection.exec(serversql::lockForBulkWrite);
    qint64 after = 0;
    for (;;) {
        const pg::Result rows = m_connection.exec(
            "SELECT id, acronym, definition FROM acronyms WHERE id > $1 ORDER BY id LIMIT 20000", {after});
        for (int row = 0; row < rows.rows(); ++row) {
            after = rows.integer(row, 0);
            if (!rows.isNull(row, 1)
                && m_firstRow.try_emplace(std::string(trimSpaces(rows.utf8(row, 1))), after).second)
                m_stored.emplace(after, rows.utf8(row, 2));
        }
        if (rows.rows() == 0)
            break;
    }
}

OpenEntry &ServerBulkWriter::openEntry(qint64 &slot)
{
    if (slot < 0)
        return m_open[static_cast<size_t>(-2 - slot)];
    const auto stored = m_stored.find(slot);
    m_open.emplace_back(slot, std::move(stored->second));
    m_stored.erase(stored);
    slot = -2 - static_cast<qint64>(m_open.size() - 1);
    return m_open.back();
}

BulkImport::Outcome ServerBulkWriter::put(BulkImport::Key key, std::string_view definition)
{
    const auto [at, isNew] = m_firstRow.try_emplace(std::string(trimSpaces(key.stored)), 0);
    if (!isNew)
        return openEntry(at->second).add(definition);
    // Held until the commit, so that later meanings of it join in memory.
    m_open.emplace_back(0, std::string(definition));
    at->second = -2 - static_cast<qint64>(m_open.size() - 1);
    m_added.emplace_back(std::string(key.stored), m_open.size() - 1);
    return BulkImport::Outcome::Added;
}

void ServerBulkWriter::commit()
{
    // Statements of many rows each: sql is the statement's head, row() one
    // row's placeholders from the number of the row's first parameter.
    QList<pg::Param> batch;
    auto flush = [&](const char *head, const char *tail, QByteArray (*row)(qsizetype first)) {
        if (batch.isEmpty())
            return;
        QByteArray sql(head);
        for (qsizetype first = 1; first < batch.size(); first += 2)
            sql += (first > 1 ? "," : "") + row(first);
        m_connection.exec((sql + tail).constData(), batch);
        batch.clear();
    };
    const auto changedRow = [](qsizetype first) {
        return "($" + QByteArray::number(first) + "::bigint,$" + QByteArray::number(first + 1) + ")";
    };
    const char *updateHead = "UPDATE acronyms SET definition = changed.definition FROM (VALUES ";
    const char *updateTail = ") AS changed (id, definition) WHERE acronyms.id = changed.id";
    for (const OpenEntry &entry : m_open) {
        if (entry.id == 0 || !entry.changed)
            continue;
        batch << pg::Param(entry.id) << pg::Param::utf8(entry.definition);
        if (batch.size() >= kRowsPerInsert * 2)
            flush(updateHead, updateTail, changedRow);
    }
    flush(updateHead, updateTail, changedRow);

    const auto addedRow = [](qsizetype first) {
        return "($" + QByteArray::number(first) + ",$" + QByteArray::number(first + 1) + ",1)";
    };
    const char *insertHead = "INSERT INTO acronyms (acronym, definition, active) VALUES ";
    for (const auto &[key, entry] : m_added) {
        batch << pg::Param::utf8(key) << pg::Param::utf8(m_open[entry].definition);
        if (batch.size() >= kRowsPerInsert * 2)
            flush(insertHead, "", addedRow);
    }
    flush(insertHead, "", addedRow);
    m_transaction->commit();
}

} // namespace

std::unique_ptr<BulkWriter> openServerBulkWriter(const QString &connectionString)
{
    return std::make_unique<ServerBulkWriter>(connectionString);
}

} // namespace store
