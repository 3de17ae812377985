#include "store/bulkimport.h"

#include "store/engine.h"
#include "store/keyindex.h"
#include "store/rules.h"

namespace store {

BulkImport::BulkImport(const Location &where, qint64 expectedRecords)
    : m_writer(engineFor(where)->bulkWriter(expectedRecords))
{}

BulkImport::~BulkImport() noexcept = default;

quint64 BulkImport::appendKey(std::string_view typed, std::string &out)
{
    const size_t at = out.size();
    appendKeyOf(typed, out);
    return KeyIndex::hashOf(trimSpaces(std::string_view(out).substr(at)));
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
