// The file engine's whole-file work: making a file, reading every record,
// and filling an empty file with another dictionary's records.

#include "store/file/fileengine.h"

#include "store/file/files.h"
#include "store/file/filesql.h"
#include "store/file/schema.h"
#include "store/file/sqlite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <sqlite3.h>

#include <utility>

namespace store {

namespace {

QString folderOf(const QString &path)
{
    return QFileInfo(path).absolutePath();
}

class FileCopyTarget final : public CopyTarget
{
public:
    explicit FileCopyTarget(const QString &path)
        : m_path(path)
        , m_made(!QFileInfo::exists(path))
        , m_db(m_made ? createDictionary(path) : Files::instance().open(path))
    {
        try {
            m_write.emplace(m_db);
            Statement any(m_db, filesql::anyRecord);
            if (any.step() && any.integer(0) != 0)
                throw Error(Error::Kind::NotEmpty, path, QStringLiteral("the dictionary holds records already"));
            m_insert.emplace(m_db, filesql::copyRecord);
        } catch (...) {
            discard();
            throw;
        }
    }

    ~FileCopyTarget() noexcept override
    {
        if (!m_committed)
            discard();
    }

    QString put(const StoredRecord &record) override
    {
        m_insert->reset(); // every value unbound: no value
        if (record.acronym)
            m_insert->bindUtf8(1, *record.acronym);
        if (record.definition)
            m_insert->bindUtf8(2, *record.definition);
        if (record.active)
            m_insert->bind(3, *record.active);
        m_insert->run();
        return {};
    }

    void commit() override
    {
        m_insert.reset();
        m_write->commit();
        m_committed = true;
    }

private:
    // Leaves no half-filled file behind that would later pass for a copy.
    void discard() noexcept
    {
        m_insert.reset();
        m_write.reset();
        if (m_made) {
            m_db.close();
            QFile::remove(m_path);
        }
    }

    QString m_path;
    bool m_made = false;
    Database m_db;
    std::optional<Transaction> m_write;
    std::optional<Statement> m_insert;
    bool m_committed = false;
};

class FileEngine final : public Engine
{
public:
    explicit FileEngine(QString path)
        : m_path(std::move(path))
    {}

    QString description() const override { return m_path; }

    std::unique_ptr<Backend> open() override { return openFileBackend(m_path); }

    void forEachRecord(const RecordVisitor &visit) override
    {
        Database db = Files::instance().open(m_path);
        db.exec(filesql::beginRead);
        Statement rows(db, filesql::records);
        while (rows.step()) {
            StoredRecord record;
            if (!rows.isNull(0))
                record.acronym = rows.utf8(0);
            if (!rows.isNull(1))
                record.definition = rows.utf8(1);
            if (!rows.isNull(2))
                record.active = rows.integer(2);
            visit(record);
        }
        rows.reset();
        db.exec(filesql::endRead);
    }

    std::unique_ptr<BulkWriter> bulkWriter(qint64 expectedRecords) override
    {
        return openFileBulkWriter(m_path, expectedRecords);
    }

    std::unique_ptr<CopyTarget> copyTarget() override { return std::make_unique<FileCopyTarget>(m_path); }

    QString create() override
    {
        // Said before SQLite is asked, in the words of each case.
        if (QFileInfo::exists(m_path) || QFileInfo(m_path).isSymLink())
            throw Error(Error::Kind::Exists, m_path, QStringLiteral("the file already exists"), SQLITE_CANTOPEN);
        if (!QFileInfo(folderOf(m_path)).isDir())
            throw Error(Error::Kind::Missing, m_path, QStringLiteral("the folder does not exist"), SQLITE_CANTOPEN);
        const QStorageInfo storage(folderOf(m_path));
        if (storage.isValid() && storage.isReadOnly())
            throw Error(Error::Kind::ReadOnly, m_path, QStringLiteral("the file system is read-only"), SQLITE_READONLY);
        createDictionary(m_path);
        return m_path;
    }

    qint64 sizeOnDisk() const override { return QFileInfo(m_path).size(); }

    bool isStoredIn(const QString &path) const override
    {
        const QString dictionary = QFileInfo(m_path).canonicalFilePath();
        return !dictionary.isEmpty() && dictionary == QFileInfo(path).canonicalFilePath();
    }

private:
    QString m_path;
};

} // namespace

std::unique_ptr<Engine> makeFileEngine(const QString &path)
{
    return std::make_unique<FileEngine>(path);
}

} // namespace store
