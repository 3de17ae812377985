#include "store/dictionary.h"

#include "store/acronymlist.h"
#include "store/engine.h"

#include <utility>

namespace store {

namespace {

// For an engine that read a long definition whole all the same, or a
// beginning counted in characters rather than the window's UTF-16 units.
Entry shortened(Entry entry, qsizetype longest)
{
    if (longest >= 0 && entry.definition.size() > longest) {
        if (entry.shortenedFrom == 0)
            entry.shortenedFrom = entry.definition.toUtf8().size();
        entry.definition.truncate(entry.definition.at(longest - 1).isHighSurrogate() ? longest - 1 : longest);
    }
    return entry;
}

} // namespace

Dictionary::Dictionary(const Location &where)
    : m_location(where)
    , m_backend(engineFor(where)->open())
{}

Dictionary::~Dictionary() noexcept = default;
Dictionary::Dictionary(Dictionary &&other) noexcept = default;
Dictionary &Dictionary::operator=(Dictionary &&other) noexcept = default;

std::optional<Entry> Dictionary::find(const QString &typed)
{
    std::optional<Entry> entry = m_backend->find(keyOf(typed));
    if (entry)
        entry = shortened(std::move(*entry), m_longest);
    return entry;
}

Entry Dictionary::stored(const QString &typed)
{
    std::optional<Entry> entry = find(typed);
    if (!entry)
        throw m_backend->recordGone();
    return std::move(*entry);
}

Dictionary::Added Dictionary::add(const QString &typed, const QString &definition)
{
    Added added = m_backend->addUnlessStored(keyOf(typed), definition);
    added.entry = shortened(std::move(added.entry), m_longest);
    return added;
}

Entry Dictionary::append(const Entry &entry, const QString &more)
{
    return shortened(m_backend->append(entry, more), m_longest);
}

Entry Dictionary::replace(const Entry &entry, const QString &definition)
{
    return shortened(m_backend->replace(entry, definition), m_longest);
}

void Dictionary::setLongestDefinition(qsizetype characters)
{
    m_longest = characters;
    m_backend->setLongestDefinition(characters);
}

void Dictionary::remove(const Entry &entry)
{
    m_backend->remove(entry);
}

QStringList Dictionary::acronyms(const QString &typedPrefix)
{
    return m_backend->acronyms(prefixKeyOf(typedPrefix));
}

QStringList Dictionary::acronyms(const QString &typedPrefix, const QString &after, qsizetype limit)
{
    const QByteArray prefix = prefixKeyOf(typedPrefix).toUtf8();
    const QByteArray from = after.toUtf8();
    return acronymList().page(std::string_view(prefix.constData(), static_cast<size_t>(prefix.size())),
                              std::string_view(from.constData(), static_cast<size_t>(from.size())), limit);
}

QStringList Dictionary::suggestions(const QString &typed, int limit)
{
    const QByteArray key = trimSpaces(keyOf(typed)).toUtf8();
    return acronymList().suggestions(std::string_view(key.constData(), static_cast<size_t>(key.size())), limit);
}

const AcronymList &Dictionary::acronymList()
{
    // The mark is taken first: a change made while the list is read makes
    // the next mark differ, and the list is read again then.
    QByteArray mark = m_backend->changeMark();
    if (!m_list || mark != m_listMark) {
        std::vector<std::string> acronyms;
        m_backend->forEachAcronym([&acronyms](std::string_view acronym) { acronyms.emplace_back(acronym); });
        m_list = std::make_unique<AcronymList>(std::move(acronyms));
        m_listMark = std::move(mark);
    }
    return *m_list;
}

QList<Entry> Dictionary::search(const QStringList &words)
{
    QList<Entry> found;
    if (words.isEmpty())
        return found;
    for (Entry &entry : m_backend->searchCandidates(words)) {
        bool all = true;
        for (const QString &word : words)
            all = all && entry.definition.contains(word, Qt::CaseInsensitive);
        if (all)
            found.append(std::move(entry));
    }
    return found;
}

QByteArray Dictionary::changeMark()
{
    return m_backend->changeMark();
}

bool Dictionary::isReplaced()
{
    return m_backend->isReplaced();
}

bool Dictionary::isReadOnly()
{
    return m_backend->isReadOnly();
}

void Dictionary::requireWritable()
{
    m_backend->requireWritable();
}

void Dictionary::close() noexcept
{
    m_backend.reset();
    m_list.reset();
}

} // namespace store
