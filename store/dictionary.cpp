#include "store/dictionary.h"

#include "store/backend.h"
#include "store/text.h"

#include <utility>

namespace store {

QString keyOf(const QString &typed)
{
    return upperCased(typed);
}

QString joined(const QString &definition, const QString &more)
{
    return definition + QStringLiteral(" - ") + more;
}

Dictionary::Dictionary(const Location &where)
    : m_location(where)
    , m_backend(where.isServer() ? openServerBackend(where.target()) : openFileBackend(where.target()))
{
}

Dictionary::~Dictionary() noexcept = default;
Dictionary::Dictionary(Dictionary &&other) noexcept = default;
Dictionary &Dictionary::operator=(Dictionary &&other) noexcept = default;

std::optional<Entry> Dictionary::find(const QString &typed)
{
    return m_backend->find(keyOf(typed));
}

Dictionary::Added Dictionary::add(const QString &typed, const QString &definition)
{
    return m_backend->addUnlessStored(keyOf(typed), definition);
}

Entry Dictionary::append(const Entry &entry, const QString &more)
{
    return m_backend->append(entry, more);
}

Entry Dictionary::replace(const Entry &entry, const QString &definition)
{
    return m_backend->replace(entry, definition);
}

bool Dictionary::isReadOnly()
{
    return m_backend->isReadOnly();
}

void Dictionary::close() noexcept
{
    m_backend.reset();
}

} // namespace store
