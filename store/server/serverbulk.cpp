// The server's whole-table work: every record read from one snapshot, and
// many records written in one transaction (an import, a copy).

#include "store/error.h"
#include "store/rules.h"
#include "store/server/postgres.h"
#include "store/server/serverengine.h"
#include "store/server/serverrows.h"
#include "store/server/serversql.h"
#include "store/text.h"

#include <QByteArray>
#include <QList>

#include <optional>
#include <unordered_map>
#include <vector>

namespace store {

namespace {

constexpr int kRowsPerStatement = 500;

// Every row of select, in id order, a batch at a time: select gives id
// first and takes the last id seen as $1.
template<typename Visit>
void inIdOrder(pg::Connection &connection, const char *select, Visit visit)
{
    for (qint64 after = 0;;) {
        const pg::Result rows = connection.exec(select, {after});
        if (rows.rows() == 0)
            return;
        for (int row = 0; row < rows.rows(); ++row)
            visit(rows, row);
        after = rows.integer(rows.rows() - 1, 0);
    }
}

// A connection lost while the commit was under way leaves nobody who can
// say whether the server stored it all or nothing.
void commitOrSayUnknown(pg::Transaction &transaction)
{
    try {
        transaction.commit();
    } catch (const Error &error) {
        if (error.kind() != Error::Kind::ConnectionLost)
            throw;
        throw Error::fromServer(Error::Kind::WriteUnknown, error.location(),
                                error.engineMessage()
                                    + QStringLiteral(" (during the commit: whether the records were stored is not "
                                                     "known)"));
    }
}

} // namespace

RowBatches::RowBatches(pg::Connection &connection, const char *head, const char *row, const char *tail)
    : m_connection(connection)
    , m_head(head)
    , m_row(row)
    , m_tail(tail)
{}

void RowBatches::add(std::initializer_list<pg::Param> values)
{
    const pg::Param *value = values.begin();
    m_sql += m_rows++ ? "," : "";
    for (const char c : m_row) {
        if (c != '?') {
            m_sql += c;
            continue;
        }
        m_params << *value++;
        m_sql += '$' + QByteArray::number(m_params.size());
    }
    if (m_rows == kRowsPerStatement)
        flush();
}

void RowBatches::flush()
{
    if (m_rows == 0)
        return;
    m_connection.exec((m_head + m_sql + m_tail).constData(), m_params);
    m_sql.clear();
    m_params.clear();
    m_rows = 0;
}

void inSizedBatches(pg::Connection &connection, const char *sql, const QList<pg::Param> &params,
                    const std::function<void(const pg::Result &)> &visit)
{
    constexpr qint64 kBatchBytes = 4 << 20;
    for (qint64 after = 0;;) {
        const pg::Result sizes = connection.exec(serversql::recordSizesAfter, {after});
        if (sizes.rows() == 0)
            return;
        qint64 upTo = sizes.integer(0, 0);
        qint64 bytes = sizes.integer(0, 1);
        for (int row = 1; row < sizes.rows() && (bytes += sizes.integer(row, 1)) <= kBatchBytes; ++row)
            upTo = sizes.integer(row, 0);
        visit(connection.exec(sql, QList<pg::Param>{after, upTo} + params));
        after = upTo;
    }
}

void forEachServerRecord(const QString &connectionString, const RecordVisitor &visit, const ChangeVisitor &changes)
{
    pg::Connection connection(connectionString);
    // One snapshot for the whole table, read a batch at a time.
    pg::Transaction snapshot(connection);
    connection.exec(serversql::oneMoment);
    inSizedBatches(connection, serversql::recordsUpTo, {}, [&](const pg::Result &rows) {
        for (int row = 0; row < rows.rows(); ++row) {
            StoredRecord record;
            record.id = rows.integer(row, 0);
            if (!rows.isNull(row, 1))
                record.acronym = rows.utf8(row, 1);
            if (!rows.isNull(row, 2))
                record.definition = rows.utf8(row, 2);
            if (!rows.isNull(row, 3))
                record.active = rows.integer(row, 3);
            visit(record);
        }
    });
    if (changes)
        forEachServerChange(connection, changes);
    snapshot.commit();
}

void forEachServerOutline(const QString &connectionString, const OutlineVisitor &visit)
{
    pg::Connection connection(connectionString);
    pg::Transaction snapshot(connection);
    connection.exec(serversql::oneMoment);
    for (qint64 after = 0;;) {
        const pg::Result rows = connection.exec(serversql::outlinesAfter, {after});
        if (rows.rows() == 0)
            break;
        for (int row = 0; row < rows.rows(); ++row) {
            RecordOutline outline;
            outline.id = after = rows.integer(row, 0);
            if (!rows.isNull(row, 1))
                outline.acronym = rows.utf8(row, 1);
            outline.hasDefinition = rows.boolean(row, 2);
            visit(outline);
        }
    }
    snapshot.commit();
}

namespace {

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
    // The first records' short definitions, read with their acronyms: one
    // query for the table rather than one for each acronym the import meets.
    // A long one is read when the import meets its acronym.
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
    inIdOrder(m_connection, serversql::firstRowsAfter, [this](const pg::Result &rows, int row) {
        const qint64 id = rows.integer(row, 0);
        if (!rows.isNull(row, 1) && m_firstRow.try_emplace(std::string(trimSpaces(rows.utf8(row, 1))), id).second
            && !rows.boolean(row, 3))
            m_stored.emplace(id, rows.utf8(row, 2));
    });
}

OpenEntry &ServerBulkWriter::openEntry(qint64 &slot)
{
    if (slot < 0)
        return m_open[static_cast<size_t>(-2 - slot)];
    if (const auto stored = m_stored.find(slot); stored != m_stored.end()) {
        m_open.emplace_back(slot, std::move(stored->second));
        m_stored.erase(stored);
    } else {
        const pg::Result definition = m_connection.exec(serversql::definitionOf, {slot});
        m_open.emplace_back(slot, std::string(definition.utf8(0, 0)));
    }
    slot = -2 - static_cast<qint64>(m_open.size() - 1);
    return m_open.back();
}

BulkImport::Outcome ServerBulkWriter::put(BulkImport::Key key, std::string_view definition)
{
    const auto [at, isNew] = m_firstRow.try_emplace(std::string(trimSpaces(key.stored)), 0);
    if (!isNew)
        return openEntry(at->second).add(definition) == OpenEntry::Outcome::Appended
                   ? BulkImport::Outcome::Appended
                   : BulkImport::Outcome::AlreadyThere;
    // Held until the commit, so that later meanings of it join in memory.
    m_open.emplace_back(0, std::string(definition));
    at->second = -2 - static_cast<qint64>(m_open.size() - 1);
    m_added.emplace_back(std::string(key.stored), m_open.size() - 1);
    return BulkImport::Outcome::Added;
}

void ServerBulkWriter::commit()
{
    RowBatches changed(m_connection, serversql::changeRowsHead, serversql::changedRow, serversql::changeRowsTail);
    for (const OpenEntry &entry : m_open) {
        if (entry.id != 0 && entry.changed)
            changed.add({entry.id, pg::Param::utf8(entry.definition)});
    }
    changed.flush();
    RowBatches added(m_connection, serversql::insertRowsHead, serversql::importedRow);
    for (const auto &[key, entry] : m_added)
        added.add({pg::Param::utf8(key), pg::Param::utf8(m_open[entry].definition)});
    added.flush();
    commitOrSayUnknown(*m_transaction);
}

// Many records into an empty table, as another dictionary stored them.
class ServerCopyTarget final : public CopyTarget
{
public:
    explicit ServerCopyTarget(const QString &connectionString)
        : m_connection(connectionString)
    {
        m_transaction.emplace(m_connection);
        // No other writer may slip in between the check and the copy.
        m_connection.exec(serversql::holdOffAdds);
        m_connection.exec(serversql::lockForBulkWrite);
        if (m_connection.exec(serversql::anyRecord).boolean(0, 0))
            throw Error::fromServer(Error::Kind::NotEmpty, m_connection.location(),
                                    QStringLiteral("the dictionary holds records already"));
        m_history = serverKeepsHistory(m_connection);
        if (m_history) {
            if (m_connection.exec(serversql::anyChange).boolean(0, 0))
                throw Error::fromServer(Error::Kind::NotEmpty, m_connection.location(),
                                        QStringLiteral("the dictionary holds a history of changes already"));
            // Copying is no change: the source's history comes as it
            // stands, which only the table's owner may write.
            m_connection.exec(serversql::quietHistory);
            // The history names records by id: a history kept keeps them.
            m_rows.emplace(m_connection, serversql::insertRowsAtHead, serversql::copiedRowAt);
            m_changes.emplace(m_connection, serversql::copyChangesHead, serversql::copiedChange);
        } else {
            m_rows.emplace(m_connection, serversql::insertRowsHead, serversql::copiedRow);
        }
    }

    QString put(const StoredRecord &record) override
    {
        const auto has = [](const std::optional<std::string_view> &field, auto test) { return field && test(*field); };
        const auto nul = [](std::string_view text) { return text.find('\0') != std::string_view::npos; };
        if (has(record.acronym, nul) || has(record.definition, nul))
            throw Error::fromServer(Error::Kind::TextChanged, m_connection.location(),
                                    QStringLiteral("the server cannot store the character U+0000"));
        // A file's bytes that are no UTF-8 go as the program shows them: a
        // UTF-8 database refuses them as they stand.
        const auto notUtf8 = [](std::string_view text) {
            return !QByteArrayView(text.data(), qsizetype(text.size())).isValidUtf8();
        };
        const pg::Param acronym = record.acronym ? pg::Param(fromStoredUtf8(*record.acronym)) : pg::Param::null();
        const pg::Param definition =
            record.definition ? pg::Param(fromStoredUtf8(*record.definition)) : pg::Param::null();
        const pg::Param active = record.active ? pg::Param(*record.active) : pg::Param::null();
        if (m_history)
            m_rows->add({record.id, acronym, definition, active});
        else
            m_rows->add({acronym, definition, active});
        if (has(record.acronym, notUtf8) || has(record.definition, notUtf8))
            return QStringLiteral("bytes that are no UTF-8, copied as the program shows them (U+FFFD)");
        return {};
    }

    void putChange(const StoredChange &change) override
    {
        if (!m_history)
            throw Error::fromServer(Error::Kind::NoHistory, m_connection.location(),
                                    QStringLiteral("table acronyms keeps no history to copy the source's into "
                                                   "(orvex-db history --start adds it)"));
        if (!m_rowsDone) {
            m_rows->flush();
            m_rowsDone = true;
        }
        const auto text = [](const std::optional<std::string_view> &value) {
            return value ? pg::Param(fromStoredUtf8(*value)) : pg::Param::null();
        };
        const auto number = [](const std::optional<qint64> &value) {
            return value ? pg::Param(*value) : pg::Param::null();
        };
        m_changes->add({change.number, change.record, pg::Param::utf8(change.operation), text(change.acronymBefore),
                        text(change.definitionBefore), number(change.activeBefore), text(change.acronymAfter),
                        text(change.definitionAfter), number(change.activeAfter), pg::Param::utf8(change.at),
                        text(change.who), number(change.undoes)});
    }

    void commit() override
    {
        m_rows->flush();
        if (m_history) {
            m_changes->flush();
            // New records and changes are numbered after the copied ones.
            m_connection.exec(serversql::idsFromHere);
            m_connection.exec(serversql::changesFromHere);
            m_connection.exec(serversql::resumeHistory);
        }
        commitOrSayUnknown(*m_transaction);
    }

private:
    pg::Connection m_connection;
    std::optional<pg::Transaction> m_transaction;
    bool m_history = false;
    bool m_rowsDone = false;
    std::optional<RowBatches> m_rows;
    std::optional<RowBatches> m_changes;
};

} // namespace

std::unique_ptr<BulkWriter> openServerBulkWriter(const QString &connectionString)
{
    return std::make_unique<ServerBulkWriter>(connectionString);
}

std::unique_ptr<CopyTarget> openServerCopyTarget(const QString &connectionString)
{
    return std::make_unique<ServerCopyTarget>(connectionString);
}

} // namespace store
