#include "store/rules.h"

#include <utility>

namespace store {

namespace {

// The " - " parts of a definition, each trimmed of spaces.
template<typename Visit>
void forEachPart(std::string_view definition, Visit visit)
{
    for (;;) {
        const size_t at = definition.find(kJoin);
        visit(trimSpaces(definition.substr(0, at)));
        if (at == std::string_view::npos)
            return;
        definition.remove_prefix(at + kJoin.size());
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

QString keyOf(const QString &typed)
{
    return upperCased(typed);
}

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

std::string keyOfUtf8(std::string_view typed)
{
    std::string key;
    appendKeyOf(typed, key);
    return key;
}

QString prefixKeyOf(const QString &typed)
{
    const QString key = keyOf(typed);
    qsizetype blanks = 0;
    while (blanks < key.size() && key.at(blanks) == QLatin1Char(' '))
        ++blanks;
    return key.mid(blanks);
}

QString joined(const QString &definition, const QString &more)
{
    return definition + QLatin1String(kJoin.data(), static_cast<qsizetype>(kJoin.size())) + more;
}

bool declaredTypeMayChangeText(std::string_view type)
{
    // SQLite's rules for a declared type's affinity, in their order: only
    // TEXT and BLOB (or no type) keep text as it was written.
    const auto has = [type](const char *part) { return type.find(part) != std::string_view::npos; };
    const bool text = !has("INT") && (has("CHAR") || has("CLOB") || has("TEXT"));
    const bool blob = !has("INT") && !text && (has("BLOB") || type.empty());
    return !text && !blob;
}

OpenEntry::OpenEntry(qint64 storedId, std::string stored)
    : id(storedId)
    , definition(std::move(stored))
{}

OpenEntry::Outcome OpenEntry::add(std::string_view meaning)
{
    bool there = true;
    forEachPart(meaning, [&](std::string_view part) { there = there && has(part); });
    if (there)
        return Outcome::AlreadyThere;
    definition.append(kJoin).append(meaning);
    if (m_parts)
        forEachPart(meaning, [this](std::string_view part) { m_parts->emplace(part); });
    changed = true;
    return Outcome::Appended;
}

bool OpenEntry::has(std::string_view part)
{
    constexpr int kFew = 16;
    if (!m_parts) {
        int count = 0;
        bool found = false;
        forEachPart(definition, [&](std::string_view mine) {
            ++count;
            found = found || mine == part;
        });
        if (count <= kFew)
            return found;
        m_parts = std::make_unique<std::unordered_set<std::string>>();
        forEachPart(definition, [this](std::string_view mine) { m_parts->emplace(mine); });
    }
    return m_parts->count(std::string(part)) > 0;
}

QList<QByteArray> searchPatterns(const QStringList &words)
{
    QList<QByteArray> patterns;
    for (const QString &word : words) {
        QString longest;
        QString run;
        bool ascii = true;
        for (const QChar c : word) {
            const bool plain = c.unicode() < 0x80;
            ascii = ascii && plain;
            if (plain && c.toLower() != QLatin1Char('k') && c.toLower() != QLatin1Char('s')) {
                run += c;
                if (run.size() > longest.size())
                    longest = run;
            } else {
                run.clear();
            }
        }
        if (!ascii && longest.size() < 2)
            continue;
        QByteArray pattern = (ascii ? word : longest).toUtf8();
        pattern.replace('\\', "\\\\").replace('%', "\\%").replace('_', "\\_");
        patterns << '%' + pattern + '%';
    }
    return patterns;
}

} // namespace store
