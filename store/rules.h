#pragma once

// The dictionary's rules, in one place, for the front door, the bulk import
// and both engines' SQL:
// - the key: what was typed, each letter upper-cased to its own capital,
//   blanks kept; compared after trimming spaces (U+0020) only;
// - a prefix to list by: the key, trimmed of its leading spaces;
// - more meanings joined after " - ", a meaning already there left out;
// - typed text is stored as text: a table that would store it as a number
//   (a field declared INTEGER, REAL or NUMERIC by another tool) is refused.

#include "store/text.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

namespace store {

// The key the program stores and looks for: the entry upper-cased, blanks kept.
QString keyOf(const QString &typed);
// The same for UTF-8 text, appended to out: the same bytes as keyOf(), with
// a short way for plain ASCII.
void appendKeyOf(std::string_view typed, std::string &out);
std::string keyOfUtf8(std::string_view typed);
// What a listing by prefix compares with: the key without its leading spaces.
QString prefixKeyOf(const QString &typed);

// What a search by meaning asks the engine for, one pattern a word for a
// case-insensitive LIKE with \ as its escape, "%word%": a superset of the
// definitions that hold every word, which the front door then compares
// exactly. LIKE folds ASCII letters only: of a word with other letters the
// pattern is its longest ASCII run without k or s (whose capitals K and S
// are also the folding of the Kelvin sign and the long s), and a word
// without such a run of two gives none.
QList<QByteArray> searchPatterns(const QStringList &words);

// What goes between a definition and one more meaning.
inline constexpr std::string_view kJoin = " - ";
// A definition with one more meaning after it: "definition - more".
QString joined(const QString &definition, const QString &more);

// Whether a field declared with this type (SQLite's declared type, upper-
// cased) can turn stored text into a number: SQLite's affinity rules.
bool declaredTypeMayChangeText(std::string_view declaredType);
// Whether SQLite's typeof() of a value written from text says it stayed text.
inline bool storedAsText(std::string_view typeOf)
{
    return typeOf == "text";
}

// A definition being extended by many meanings at once (an import): held as
// bytes and written once at the end, so that an acronym met N times costs N
// appends to a string rather than N rewrites of an ever longer record.
struct OpenEntry
{
    enum class Outcome { Appended, AlreadyThere };

    qint64 id = 0; // the record's, or 0 for one not yet written
    std::string definition;
    bool changed = false;

    // definition is the stored one.
    OpenEntry(qint64 storedId, std::string stored);
    // Joins the meaning after " - " unless every part of it is there.
    Outcome add(std::string_view meaning);

private:
    bool has(std::string_view part);

    // The definition's " - " parts, trimmed, once there are many: a few are
    // compared in place, as a set for each of a million entries took most of
    // a re-import's memory.
    std::unique_ptr<std::unordered_set<std::string>> m_parts;
};

} // namespace store
