#include "store/bulkimport.h"

#include "store/acronymindex.h"
#include "store/bulkwriter.h"
#include "store/dictionary.h"
#include "store/engine.h"
#include "store/keyindex.h"
#include "store/text.h"

#include <algorithm>
#include <optional>
#include <unordered_set>
#include <vector>

namespace store {

namespace {

// joined()'s separator, applied to bytes: a definition that grows by many
// meanings is never converted whole for each one.
const char *const kSeparator = " - ";
constexpr size_t kSeparatorSize = 3;

std::string_view trimmed(std::string_view text)
{
    return trimSpaces(text);
}

// The " - " parts of a definition, each trimmed of spaces.
template<typename Visit>
void forEachPart(std::string_view definition, Visit visit)
{
    for (;;) {
        const size_t at = definition.find(kSeparator);
        visit(trimmed(definition.substr(0, at)));
        if (at == std::string_view::npos)
            return;
        definition.remove_prefix(at + kSeparatorSize);
    }
}

bool isAscii(std::string_view text)
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

} // namespace

namespace {

void appendKeyOf(std::string_view typed, std::string &out)
{
    if (!isAscii(typed)) {
        out.append(keyOf(fromStoredUtf8(typed)).toStdString());
        return;
    }
    const size_t at = out.size();
    out.append(typed);
    for (size_t i = at; i < out.size(); ++i) {
        if (out[i] >= 'a' && out[i] <= 'z')
            out[i] = static_cast<char>(out[i] - 'a' + 'A');
    }
}

} // namespace

std::string keyOfUtf8(std::string_view typed)
{
    std::string key;
    appendKeyOf(typed, key);
    return key;
}

OpenEntry::OpenEntry(qint64 storedId, std::string stored)
    : id(storedId)
    , definition(std::move(stored))
{}

BulkImport::Outcome OpenEntry::add(std::string_view meaning)
{
    // Split on the first meaning added: most new records never get one.
    if (parts.empty())
        forEachPart(definition, [this](std::string_view part) { parts.emplace(part); });
    bool there = true;
    forEachPart(meaning, [&](std::string_view part) { there = there && parts.count(std::string(part)) > 0; });
    if (there)
        return BulkImport::Outcome::AlreadyThere;
    definition.append(kSeparator, kSeparatorSize).append(meaning);
    forEachPart(meaning, [this](std::string_view part) { parts.emplace(part); });
    changed = true;
    return BulkImport::Outcome::Appended;
}

namespace {

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
    : m_db(Engine::instance().open(path))
    , m_firstRow(expectedRecords)
{
    // New records are kept in memory until the commit instead of being
    // written out and read back for the index: about 64 bytes a record.
    const qint64 cacheKiB = std::clamp<qint64>(expectedRecords / 16, 2000, 256 * 1024);
    m_db.exec(("PRAGMA cache_size = -" + std::to_string(cacheKiB)).c_str());
    m_transaction.emplace(m_db);
    {
        Statement scan(m_db, "SELECT rowid, Acronym FROM Acronyms ORDER BY rowid");
        while (scan.step()) {
            ++m_rowsBefore;
            if (!scan.isNull(1)) {
                qint64 &row = m_firstRow.entry(trimmed(scan.utf8(1)));
                if (row == -1)
                    row = scan.integer(0);
            }
        }
    }
    {
        // SQLite's rules for a declared type's affinity, in their order.
        Statement columns(m_db, "SELECT upper(type) FROM pragma_table_info('Acronyms') "
                                "WHERE name COLLATE NOCASE IN ('Acronym', 'Definition')");
        while (columns.step()) {
            const std::string_view type = columns.utf8(0);
            const auto has = [type](const char *part) { return type.find(part) != std::string_view::npos; };
            const bool text = !has("INT") && (has("CHAR") || has("CLOB") || has("TEXT"));
            const bool blob = !has("INT") && !text && (has("BLOB") || type.empty());
            m_mayChangeText = m_mayChangeText || (!text && !blob);
        }
    }
    m_insert.emplace(m_db, m_mayChangeText ? "INSERT INTO Acronyms (Acronym, Definition, Active) VALUES (?1, ?2, 1) "
                                             "RETURNING typeof(Acronym) = 'text' AND typeof(Definition) = 'text'"
                                           : "INSERT INTO Acronyms (Acronym, Definition, Active) VALUES (?1, ?2, 1)");
    m_read.emplace(m_db, "SELECT Definition FROM Acronyms WHERE rowid = ?1");
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
    qint64 &row = m_firstRow.entry(trimmed(key.stored), key.hash);
    if (row != -1)
        return openEntry(row).add(definition);
    // Past a few thousand new records, rebuilding the lookup index once at
    // the end is cheaper than keeping it up to date record by record.
    if (!m_indexDropped && ++m_added > std::max<qint64>(2000, m_rowsBefore / 8)) {
        dropAcronymIndex(m_db);
        m_indexDropped = true;
    }
    m_insert->bindUtf8(1, key.stored);
    m_insert->bindUtf8(2, definition);
    if (m_mayChangeText && m_insert->step() && m_insert->integer(0) == 0) {
        m_insert->reset();
        Statement takeBack(m_db, "DELETE FROM Acronyms WHERE rowid = ?1");
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
    {
        Statement update(m_db, "UPDATE Acronyms SET Definition = ?1 WHERE rowid = ?2");
        for (const OpenEntry &entry : m_open) {
            if (!entry.changed)
                continue;
            update.bindUtf8(1, entry.definition);
            update.bind(2, entry.id);
            update.run();
            update.reset();
        }
    }
    m_insert.reset();
    m_read.reset();
    // A dictionary made by another tool gets the lookup index here too,
    // rather than on the program's first lookup. Sorted in small runs on
    // two threads: one large in-memory run sorts slower.
    m_db.exec("PRAGMA threads = 2");
    m_db.exec("PRAGMA cache_size = -2000");
    createAcronymIndex(m_db);
    m_transaction->commit();
}

} // namespace

BulkImport::BulkImport(const Location &where, qint64 expectedRecords)
    : m_writer(where.isServer() ? openServerBulkWriter(where.target())
                                : std::make_unique<FileBulkWriter>(where.target(), expectedRecords))
{}

BulkImport::~BulkImport() noexcept = default;

quint64 BulkImport::appendKey(std::string_view typed, std::string &out)
{
    const size_t at = out.size();
    appendKeyOf(typed, out);
    return KeyIndex::hashOf(trimmed(std::string_view(out).substr(at)));
}

void BulkImport::expect(quint64 hash) const
{
    m_writer->expect(hash);
}

BulkImport::Outcome BulkImport::put(std::string_view typed, std::string_view definition)
{
    std::string key;
    const quint64 hash = appendKey(typed, key);
    return put(Key{key, hash}, definition);
}

BulkImport::Outcome BulkImport::put(Key key, std::string_view definition)
{
    return m_writer->put(key, definition);
}

void BulkImport::commit()
{
    m_writer->commit();
}

} // namespace store
