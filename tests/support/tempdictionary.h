#pragma once

#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <initializer_list>
#include <optional>

namespace testing_support {

// A record as another tool may have written it: any field may lack a value.
struct Row
{
    std::optional<QString> acronym;
    std::optional<QString> definition;
    std::optional<qint64> active = 1;

    bool operator==(const Row &other) const
    {
        return acronym == other.acronym && definition == other.definition && active == other.active;
    }
};

// A record as the program writes it: Active = 1.
inline Row stored(const QString &acronym, const QString &definition)
{
    return Row{acronym, definition, 1};
}

// Rows of fields as text, a field without a value absent.
using Table = QList<QList<std::optional<QString>>>;

// Any dictionary file, read and written as another program would, with the
// SQLite C library directly.
Table queryFile(const QString &path, const QString &sql);
void execFile(const QString &path, const QString &sql);

// A dictionary file in a fresh temporary folder, written and read with the
// SQLite C library directly, never through the code under test.
class TempDictionary
{
public:
    TempDictionary();
    TempDictionary(std::initializer_list<Row> rows);

    const QString &path() const { return m_path; }
    QString folder() const { return m_dir.path(); }

    void insert(const Row &row);
    void exec(const QString &sql);
    QList<Row> rows() const;
    // PRAGMA integrity_check's verdict: "ok" for a sound file.
    QString integrityCheck() const;

private:
    QTemporaryDir m_dir;
    QString m_path;
};

} // namespace testing_support
