#include "store/bulkimport.h"

#include "store/acronymindex.h"
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

// A record whose definition this import has touched: held here and written
// once at the end, so that an acronym met N times costs N appends to a
// string rather than N rewrites of an ever longer record.
struct OpenEntry
{
    qint64 rowid = 0;
    std::string definition;
    std::unordered_set<std::string> parts;
    bool changed = false;
};

struct BulkImport::State
{
    explicit State(const QString &path)
        : db(Engine::instance().open(path))
    {}

    Database db;
    std::optional<Transaction> transaction;
    std::optional<Statement> insert;
    std::optional<Statement> read;
    // Trimmed stored acronym -> rowid of its first record (a flat table: a
    // node-based map costs a cache miss or two per record), or -2 - i for
    // the open entry i.
    KeyIndex firstRow;
    std::vector<OpenEntry> open;
    qint64 rowsBefore = 0;
    qint64 added = 0;
    bool indexDropped = false;

    OpenEntry &openEntry(qint64 &slot);
};

OpenEntry &BulkImport::State::openEntry(qint64 &slot)
{
    if (slot < 0)
        return open[static_cast<size_t>(-2 - slot)];
    OpenEntry entry;
    entry.rowid = slot;
    read->bind(1, slot);
    if (read->step() && !read->isNull(0))
        entry.definition = std::string(read->utf8(0));
    read->reset();
    forEachPart(entry.definition, [&entry](std::string_view part) { entry.parts.emplace(part); });
    open.push_back(std::move(entry));
    slot = -2 - static_cast<qint64>(open.size() - 1);
    return open.back();
}

BulkImport::BulkImport(const QString &path, qint64 expectedRecords)
    : m_state(std::make_unique<State>(path))
{
    State &s = *m_state;
    // New records are kept in memory until the commit instead of being
    // written out and read back for the index: about 64 bytes a record.
    const qint64 cacheKiB = std::clamp<qint64>(expectedRecords / 16, 2000, 256 * 1024);
    s.db.exec(("PRAGMA cache_size = -" + std::to_string(cacheKiB)).c_str());
    s.transaction.emplace(s.db);
    s.firstRow = KeyIndex(expectedRecords);
    {
        Statement scan(s.db, "SELECT rowid, Acronym FROM Acronyms ORDER BY rowid");
        while (scan.step()) {
            ++s.rowsBefore;
            if (!scan.isNull(1)) {
                qint64 &row = s.firstRow.entry(trimmed(scan.utf8(1)));
                if (row == -1)
                    row = scan.integer(0);
            }
        }
    }
    s.insert.emplace(s.db, "INSERT INTO Acronyms (Acronym, Definition, Active) VALUES (?1, ?2, 1)");
    s.read.emplace(s.db, "SELECT Definition FROM Acronyms WHERE rowid = ?1");
}

BulkImport::~BulkImport() noexcept = default;

quint64 BulkImport::appendKey(std::string_view typed, std::string &out)
{
    const size_t at = out.size();
    appendKeyOf(typed, out);
    return KeyIndex::hashOf(trimmed(std::string_view(out).substr(at)));
}

void BulkImport::expect(quint64 hash) const
{
    m_state->firstRow.prefetch(hash);
}

BulkImport::Outcome BulkImport::put(std::string_view typed, std::string_view definition)
{
    std::string key;
    const quint64 hash = appendKey(typed, key);
    return put(Key{key, hash}, definition);
}

BulkImport::Outcome BulkImport::put(Key prepared, std::string_view definition)
{
    State &s = *m_state;
    const std::string_view key = prepared.stored;
    qint64 &row = s.firstRow.entry(trimmed(key), prepared.hash);
    if (row == -1) {
        // Past a few thousand new records, rebuilding the lookup index once
        // at the end is cheaper than keeping it up to date record by record.
        if (!s.indexDropped && ++s.added > std::max<qint64>(2000, s.rowsBefore / 8)) {
            dropAcronymIndex(s.db);
            s.indexDropped = true;
        }
        s.insert->bindUtf8(1, key);
        s.insert->bindUtf8(2, definition);
        s.insert->run();
        s.insert->reset();
        row = s.db.lastInsertRowid();
        return Outcome::Added;
    }

    OpenEntry &entry = s.openEntry(row);
    bool there = true;
    forEachPart(definition, [&](std::string_view part) { there = there && entry.parts.count(std::string(part)) > 0; });
    if (there)
        return Outcome::AlreadyThere;
    entry.definition.append(kSeparator, kSeparatorSize).append(definition);
    forEachPart(definition, [&entry](std::string_view part) { entry.parts.emplace(part); });
    entry.changed = true;
    return Outcome::Appended;
}

void BulkImport::commit()
{
    State &s = *m_state;
    {
        Statement update(s.db, "UPDATE Acronyms SET Definition = ?1 WHERE rowid = ?2");
        for (const OpenEntry &entry : s.open) {
            if (!entry.changed)
                continue;
            update.bindUtf8(1, entry.definition);
            update.bind(2, entry.rowid);
            update.run();
            update.reset();
        }
    }
    s.insert.reset();
    s.read.reset();
    // A dictionary made by another tool gets the lookup index here too,
    // rather than on the program's first lookup. Sorted in small runs on
    // two threads: one large in-memory run sorts slower.
    s.db.exec("PRAGMA threads = 2");
    s.db.exec("PRAGMA cache_size = -2000");
    createAcronymIndex(s.db);
    s.transaction->commit();
}

} // namespace store
