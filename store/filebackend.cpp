// The file engine: an SQLite database with table Acronyms.

#include "store/acronymindex.h"
#include "store/backend.h"
#include "store/engine.h"
#include "store/sqlite.h"

#include <QFileInfo>

#include <sqlite3.h>

namespace store {

namespace {

class FileBackend final : public Backend
{
public:
    explicit FileBackend(const QString &path)
        : m_db(Engine::instance().open(path))
        , m_lookup(m_db)
    {
    }

    std::optional<Entry> find(const QString &key) override { return m_lookup.find(key, m_longest); }

    Dictionary::Added addUnlessStored(const QString &key, const QString &definition) override
    {
        // The look and the write share one write transaction, so two copies
        // adding the same acronym at once cannot both add it.
        Transaction write(m_db);
        if (std::optional<Entry> stored = m_lookup.find(key, m_longest))
            return {false, *stored};
        Statement insert(m_db, "INSERT INTO Acronyms (Acronym, Definition, Active) VALUES (?1, ?2, 1) "
                               "RETURNING rowid, typeof(Acronym), typeof(Definition)");
        insert.bind(1, key);
        insert.bind(2, definition);
        insert.step();
        const Entry added{insert.integer(0), key, definition};
        requireText(insert, 1);
        requireText(insert, 2);
        insert.run();
        write.commit();
        return {true, added};
    }

    Entry append(const Entry &entry, const QString &more) override
    {
        // Onto the definition as stored at this moment, bytes and all, in
        // one statement: what another program wrote since the entry was
        // read stays, and so does text in an encoding we cannot read.
        Statement update(m_db, "UPDATE Acronyms SET Definition = coalesce(Definition, '') || ?1 "
                               "WHERE rowid = ?2 RETURNING rowid, Acronym, Definition, typeof(Definition)");
        update.bind(1, joined(QString(), more)); // " - more", the one joining rule
        return changed(update, entry);
    }

    Entry replace(const Entry &entry, const QString &definition) override
    {
        Statement update(m_db, "UPDATE Acronyms SET Definition = ?1 WHERE rowid = ?2 "
                               "RETURNING rowid, Acronym, Definition, typeof(Definition)");
        update.bind(1, definition);
        return changed(update, entry);
    }

    bool isReadOnly() override
    {
        // A write also needs a journal beside the file.
        return m_db.isReadOnly() || !QFileInfo(QFileInfo(m_db.path()).absolutePath()).isWritable();
    }

private:
    // Runs an UPDATE ... RETURNING rowid, Acronym, Definition,
    // typeof(Definition) of the entry's record, in a transaction of its own
    // so that a refusal undoes it.
    Entry changed(Statement &update, const Entry &entry)
    {
        Transaction write(m_db);
        update.bind(2, entry.id);
        if (!update.step())
            recordGone();
        Entry stored = entryFromRow(update, m_longest);
        requireText(update, 3);
        update.run();
        write.commit();
        return stored;
    }

    // A table made by another tool may declare a field INTEGER or REAL, and
    // SQLite would then store typed text such as "0800" as the number 800:
    // refused, so that nothing typed is changed by the table.
    void requireText(const Statement &written, int typeColumn) const
    {
        if (written.utf8(typeColumn) != "text")
            throw Error(Error::Kind::TextChanged, m_db.path(),
                        QStringLiteral("the table stores the text as %1")
                            .arg(QString::fromUtf8(written.utf8(typeColumn).data(),
                                                   static_cast<qsizetype>(written.utf8(typeColumn).size()))));
    }

    [[noreturn]] void recordGone() const
    {
        throw Error(Error::Kind::RecordGone, m_db.path(),
                    QStringLiteral("the record was removed by another program meanwhile"), SQLITE_NOTFOUND);
    }

    Database m_db;
    AcronymLookup m_lookup;
};

} // namespace

std::unique_ptr<Backend> openFileBackend(const QString &path)
{
    return std::make_unique<FileBackend>(path);
}

} // namespace store
