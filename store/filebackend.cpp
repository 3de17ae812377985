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

    std::optional<Entry> find(const QString &key) override { return m_lookup.find(key); }

    Dictionary::Added addUnlessStored(const QString &key, const QString &definition) override
    {
        // The look and the write share one write transaction, so two copies
        // adding the same acronym at once cannot both add it.
        Transaction write(m_db);
        if (std::optional<Entry> stored = m_lookup.find(key))
            return {false, *stored};
        Statement insert(m_db, "INSERT INTO Acronyms (Acronym, Definition, Active) VALUES (?1, ?2, 1)");
        insert.bind(1, key);
        insert.bind(2, definition);
        insert.run();
        const Entry added{m_db.lastInsertRowid(), key, definition};
        write.commit();
        return {true, added};
    }

    Entry append(const Entry &entry, const QString &more) override
    {
        return replace(entry, joined(entry.definition, more));
    }

    Entry replace(const Entry &entry, const QString &definition) override
    {
        Statement update(m_db, "UPDATE Acronyms SET Definition = ?1 WHERE rowid = ?2");
        update.bind(1, definition);
        update.bind(2, entry.id);
        update.run();
        if (m_db.changes() == 0)
            recordGone();
        return Entry{entry.id, entry.acronym, definition};
    }

    bool isReadOnly() override
    {
        // A write also needs a journal beside the file.
        return m_db.isReadOnly() || !QFileInfo(QFileInfo(m_db.path()).absolutePath()).isWritable();
    }

private:
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
