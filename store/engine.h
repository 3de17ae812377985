#pragma once

// What a dictionary engine does: the one seam between the neutral store and
// the engines beneath it (store/file/, store/server/). engineFor() chooses
// the engine from a Location, once; nothing else asks which one it has.

#include "store/bulkimport.h"
#include "store/entry.h"
#include "store/error.h"
#include "store/history.h"
#include "store/location.h"
#include "store/records.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <string_view>

namespace store {

// The daily operations on an open dictionary. Keys arrive upper-cased; an
// engine compares them with the stored acronyms trimmed of spaces, byte for
// byte, and answers with the first match in its natural order.
class Backend
{
public:
    virtual ~Backend() noexcept = default;

    virtual std::optional<Entry> find(const QString &key) = 0;
    // Looks and writes in one write transaction (see Dictionary::add).
    virtual Added addUnlessStored(const QString &key, const QString &definition) = 0;
    // Appends joined(QString(), more) to the definition as stored now.
    virtual Entry append(const Entry &entry, const QString &more) = 0;
    virtual Entry replace(const Entry &entry, const QString &definition) = 0;
    virtual bool isReadOnly() = 0;
    // Throws the engine's Error of Kind::ReadOnly when isReadOnly().
    virtual void requireWritable() = 0;

    // The engine's Error of Kind::RecordGone: an entry was removed by
    // another program meanwhile.
    virtual Error recordGone() const = 0;

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
    // Each stored acronym trimmed of spaces, as its UTF-8 bytes, in any
    // order, repeats and all; records without an acronym are left out.
    virtual void forEachAcronym(const std::function<void(std::string_view)> &visit) = 0;
    // A mark that differs whenever anything stored may have changed since
    // it was last given, by this program or another: what was read (the
    // list of acronyms, a web answer) holds until then.
    virtual QByteArray changeMark() = 0;
    // Whether the location now holds another dictionary than the one
    // opened (a file put in its place): reading on would read the old one.
    virtual bool isReplaced() { return false; }
    // See Dictionary::setLongestDefinition. An engine that cannot read a
    // beginning alone shortens what it read.
    virtual void setLongestDefinition(qsizetype characters) { m_longest = characters; }

protected:
    qsizetype m_longest = -1;
};

// Many records into one dictionary in one transaction, for BulkImport: the
// engine's side of it. Keys arrive as stored (keyOfUtf8), never blank.
class BulkWriter
{
public:
    virtual ~BulkWriter() noexcept = default;
    // A hint that put() will soon need the key of this hash.
    virtual void expect(quint64 hash) const = 0;
    virtual BulkImport::Outcome put(BulkImport::Key key, std::string_view definition) = 0;
    // Writes what is held back and commits; without it nothing stays.
    virtual void commit() = 0;
};

// An empty dictionary being filled with another's records as they are
// stored, a field without a value kept without one (copyDictionary).
class CopyTarget
{
public:
    virtual ~CopyTarget() noexcept = default;
    // Takes the record; says how it was changed when it could not be taken
    // as stored ("" when it was).
    virtual QString put(const StoredRecord &record) = 0;
    // A change of the source's history, after every record, oldest first,
    // kept as it stands (number, who and time too). Refused with
    // Kind::NoHistory by a target that keeps no history.
    virtual void putChange(const StoredChange &change) = 0;
    // Commits; without it nothing stays, and a file made for the copy goes.
    virtual void commit() = 0;
};

// One dictionary's engine. Making it opens nothing: each operation opens
// what it needs and throws Error when it cannot.
class Engine
{
public:
    virtual ~Engine() noexcept = default;

    // The dictionary for messages: a path, or a server's host, port and
    // database, never a password.
    virtual QString description() const = 0;
    // The dictionary opened for the daily operations.
    virtual std::unique_ptr<Backend> open() = 0;
    // Every record in natural order, from one moment of the table; then,
    // when changes is set, every change of the history kept, oldest first,
    // from the same moment.
    virtual void forEachRecord(const RecordVisitor &visit, const ChangeVisitor &changes) = 0;
    // The same records' outlines; by default read whole and told apart here.
    virtual void forEachOutline(const OutlineVisitor &visit);
    // Takes the write lock for a bulk import; expectedRecords sizes what
    // the engine holds in memory.
    virtual std::unique_ptr<BulkWriter> bulkWriter(qint64 expectedRecords) = 0;
    // The dictionary to copy into: made when missing; refused when it holds
    // a record.
    virtual std::unique_ptr<CopyTarget> copyTarget() = 0;
    // Makes a new, empty dictionary; refuses where one may hold somebody's
    // words. Returns what it made, for messages.
    virtual QString create() = 0;

    // The SQL that lets readerRole look up and writerRole also add and
    // change; "" where the engine has no roles.
    virtual QString grants(const QString &readerRole, const QString &writerRole) const;
    // The bytes the dictionary takes on this machine's disk; -1 when it is
    // elsewhere.
    virtual qint64 sizeOnDisk() const;
    // Whether writing to path would write over the dictionary itself.
    virtual bool isStoredIn(const QString &path) const;

    // The history of changes (store/history.h). A dictionary made before
    // it keeps none until startHistory(): Kind::NoHistory says so.
    //
    // Starts keeping it: on a file, the table and the triggers that fill it;
    // on a server, the same for a table made before (its owner only).
    // Kind::HistoryKept when it is kept already. The program never calls it
    // on its own: orvex-db does when asked.
    virtual void startHistory() = 0;
    // The changes that match, newest first.
    virtual QList<Change> history(const HistoryFilter &filter) = 0;
    // Puts the record back as it was before change number, as a new change.
    // Refused with Kind::LaterChanges, naming them, when the record has
    // changed since, unless force; Kind::NoSuchChange when there is no such
    // change.
    virtual Undone undo(qint64 number, bool force) = 0;
    // Forgets the changes older than days; gives how many.
    virtual qint64 pruneHistory(int days) = 0;
    virtual HistorySize historySize() = 0;
};

// The engine for a dictionary: the one place that tells the engines apart.
std::unique_ptr<Engine> engineFor(const Location &where);

// How this program uses its dictionaries; set once, before the first is
// opened. The windows and orvex-db keep the defaults.
struct Usage
{
    // Nothing is ever written: a file is opened read-only, so that not even
    // the lookup index is added to it.
    bool readOnly = false;
    // Each thread of the program gets a connection of its own where an
    // engine would share one among the program's dictionaries (a server's):
    // for a program whose threads each serve requests at once.
    bool connectionPerThread = false;
};
void setUsage(const Usage &usage);

} // namespace store
