#pragma once

// What an engine does for a Dictionary. Keys arrive upper-cased; an engine
// compares them with the stored acronyms trimmed of spaces, byte for byte,
// and answers with the first match in its natural order.

#include "store/dictionary.h"

namespace store {

class Backend
{
public:
    virtual ~Backend() noexcept = default;

    virtual std::optional<Entry> find(const QString &key) = 0;
    virtual Dictionary::Added addUnlessStored(const QString &key, const QString &definition) = 0;
    virtual Entry append(const Entry &entry, const QString &more) = 0;
    virtual Entry replace(const Entry &entry, const QString &definition) = 0;
    virtual bool isReadOnly() = 0;

    // Deletes the record entry.id, whatever it holds now; throws Error with
    // Kind::RecordGone when there is none.
    virtual void remove(const Entry &entry) = 0;
    // The distinct stored acronyms, trimmed of spaces, that start with
    // prefix (byte for byte; "" lists all), sorted by their bytes. Records
    // without an acronym are not listed.
    virtual QStringList acronyms(const QString &prefix) = 0;
    // Every entry whose definition may contain all of words, in natural
    // order: a superset is allowed (an engine may compare ASCII letters
    // only, or nothing at all); Dictionary::search() keeps the ones that do.
    virtual QList<Entry> searchCandidates(const QStringList &words) = 0;
    // See Dictionary::setLongestDefinition. An engine that cannot read a
    // beginning alone shortens what it read.
    virtual void setLongestDefinition(qsizetype characters) { m_longest = characters; }

protected:
    qsizetype m_longest = -1;
};

// The engines; each opens at once and throws Error when it cannot.
std::unique_ptr<Backend> openFileBackend(const QString &path);
std::unique_ptr<Backend> openServerBackend(const QString &connectionString);
// A server's connection string as host, port and database: never a password.
QString describeServer(const QString &connectionString);

} // namespace store
