// The file engine's daily operations.

#include "store/file/acronymindex.h"
#include "store/file/fileengine.h"
#include "store/file/filehistory.h"
#include "store/file/files.h"
#include "store/file/filesql.h"
#include "store/file/sqlite.h"
#include "store/rules.h"

#include <QFileInfo>

#include <sqlite3.h>

namespace store {

namespace {

class FileBackend final : public Backend
{
public:
    explicit FileBackend(const QString &path)
        : m_db(Files::instance().open(path))
        , m_lookup(m_db)
    {}

    std::optional<Entry> find(const QString &key) override { return m_lookup.find(key, m_longest); }

    Added addUnlessStored(const QString &key, const QString &definition) override
    {
        // The look and the write share one write transaction, so two copies
        // adding the same acronym at once cannot both add it.
        Transaction write(m_db);
        if (std::optional<Entry> stored = m_lookup.find(key, m_longest))
            return {false, *stored};
        OwnChanges own = ownChanges();
        Statement insert(m_db, filesql::insert);
        insert.bind(1, key);
        insert.bind(2, definition);
        insert.step();
        const Entry added{insert.integer(0), key, definition};
        requireText(insert, 1);
        requireText(insert, 2);
        insert.run();
        own.sign();
        write.commit();
        return {true, added};
    }

    Entry append(const Entry &entry, const QString &more) override
    {
        // Onto the definition as stored at this moment, bytes and all, in
        // one statement: what another program wrote since the entry was
        // read stays, and so does text in an encoding we cannot read.
        Statement update(m_db, filesql::append);
        update.bind(1, joined(QString(), more));
        return changed(update, entry);
    }

    Entry replace(const Entry &entry, const QString &definition) override
    {
        Statement update(m_db, filesql::replace);
        update.bind(1, definition);
        return changed(update, entry);
    }

    bool isReadOnly() override
    {
        // A write also needs a journal beside the file: beside the file a
        // link leads to, where SQLite puts it (the shared install's
        // /usr/lib/orvex/nym2.fdb is a link into /var/lib/orvex).
        const QFileInfo file(m_db.path());
        const QString real = file.canonicalFilePath();
        const QString folder = real.isEmpty() ? file.absolutePath() : QFileInfo(real).absolutePath();
        return m_db.isReadOnly() || !QFileInfo(folder).isWritable();
    }

    void requireWritable() override
    {
        if (isReadOnly())
            throw Error(Error::Kind::ReadOnly, m_db.path(), QString());
    }

    void remove(const Entry &entry) override
    {
        Transaction write(m_db);
        OwnChanges own = ownChanges();
        Statement erase(m_db, filesql::remove);
        erase.bind(1, entry.id);
        erase.run();
        if (m_db.changes() == 0)
            throw recordGone();
        own.sign();
        write.commit();
    }

    QStringList acronyms(const QString &prefix) override
    {
        // A range of the trimmed-acronym index when the file has it.
        Statement list(m_db, filesql::acronyms);
        const QByteArray low = prefix.toUtf8();
        list.bindUtf8(1, std::string_view(low.constData(), static_cast<size_t>(low.size())));
        // The first byte string above every one that starts with low.
        QByteArray high = low;
        while (!high.isEmpty() && static_cast<unsigned char>(high.back()) == 0xFF)
            high.chop(1);
        if (!high.isEmpty()) {
            high.back() = static_cast<char>(static_cast<unsigned char>(high.back()) + 1);
            list.bindUtf8(2, std::string_view(high.constData(), static_cast<size_t>(high.size())));
        }
        QStringList found;
        while (list.step()) {
            if (!list.isNull(0))
                found << list.text(0);
        }
        return found;
    }

    QList<Entry> searchCandidates(const QStringList &words) override
    {
        QByteArray sql = filesql::searchHead;
        const QList<QByteArray> patterns = searchPatterns(words);
        for (qsizetype i = 0; i < patterns.size(); ++i)
            sql += QByteArray(filesql::searchWord).replace("%1", QByteArray::number(i + 1));
        sql += filesql::searchOrder;
        Statement search(m_db, sql.constData());
        for (qsizetype i = 0; i < patterns.size(); ++i)
            search.bindUtf8(static_cast<int>(i + 1),
                            std::string_view(patterns.at(i).constData(), static_cast<size_t>(patterns.at(i).size())));
        QList<Entry> found;
        while (search.step())
            found.append(Entry{search.integer(0), search.isNull(1) ? QString() : search.text(1), search.text(2)});
        return found;
    }

    void forEachAcronym(const std::function<void(std::string_view)> &visit) override
    {
        Statement every(m_db, filesql::everyAcronym);
        while (every.step())
            visit(every.utf8(0));
    }

    QByteArray changeMark() override
    {
        // data_version tells the changes of other connections, the count of
        // rows this one changed its own.
        Statement version(m_db, filesql::dataVersion);
        version.step();
        return QByteArray::number(version.integer(0)) + ':'
               + QByteArray::number(static_cast<qint64>(sqlite3_total_changes64(m_db.handle())));
    }

    bool isReplaced() override { return m_db.hasMoved(); }

private:
    // Runs an UPDATE ... RETURNING rowid, Acronym, Definition,
    // typeof(Definition) of the entry's record, in a transaction of its own
    // so that a refusal undoes it.
    Entry changed(Statement &update, const Entry &entry)
    {
        Transaction write(m_db);
        OwnChanges own = ownChanges();
        update.bind(2, entry.id);
        if (!update.step())
            throw recordGone();
        Entry stored = entryFromRow(update, m_longest);
        requireText(update, 3);
        update.run();
        own.sign();
        write.commit();
        return stored;
    }

    // Asked once, inside the first write: a lookup never asks.
    OwnChanges ownChanges()
    {
        if (!m_keepsHistory)
            m_keepsHistory = keepsHistory(m_db);
        return OwnChanges(m_db, *m_keepsHistory);
    }

    // A table made by another tool may declare a field INTEGER or REAL, and
    // SQLite would then store typed text such as "0800" as the number 800:
    // refused, so that nothing typed is changed by the table.
    void requireText(const Statement &written, int typeColumn) const
    {
        if (!storedAsText(written.utf8(typeColumn)))
            throw Error(Error::Kind::TextChanged, m_db.path(),
                        QStringLiteral("the table stores the text as %1")
                            .arg(QString::fromUtf8(written.utf8(typeColumn).data(),
                                                   static_cast<qsizetype>(written.utf8(typeColumn).size()))));
    }

    Error recordGone() const override
    {
        return Error(Error::Kind::RecordGone, m_db.path(),
                     QStringLiteral("the record was removed by another program meanwhile"), SQLITE_NOTFOUND);
    }

    Database m_db;
    AcronymLookup m_lookup;
    std::optional<bool> m_keepsHistory;
};

} // namespace

std::unique_ptr<Backend> openFileBackend(const QString &path)
{
    return std::make_unique<FileBackend>(path);
}

} // namespace store
