#include "support/tempdictionary.h"

#include "store/text.h"
#include "support/printers.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QStringList>

#include <memory>

namespace testing_support {

namespace {

struct Closer
{
    void operator()(sqlite3 *db) const { sqlite3_close(db); }
};
using Handle = std::unique_ptr<sqlite3, Closer>;

Handle openRaw(const QString &path)
{
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    Handle handle(db);
    if (rc != SQLITE_OK)
        ADD_FAILURE() << "cannot open " << path.toStdString();
    return handle;
}

void bindText(sqlite3_stmt *stmt, int index, const std::optional<QString> &value)
{
    if (!value) {
        sqlite3_bind_null(stmt, index);
        return;
    }
    const QByteArray utf8 = value->toUtf8();
    sqlite3_bind_text(stmt, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

std::optional<QString> columnText(sqlite3_stmt *stmt, int column)
{
    if (sqlite3_column_type(stmt, column) == SQLITE_NULL)
        return std::nullopt;
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(stmt, column));
    return store::fromStoredUtf8(std::string_view(data, static_cast<size_t>(sqlite3_column_bytes(stmt, column))));
}

} // namespace

TempDictionary::TempDictionary()
    : m_path(m_dir.filePath(QStringLiteral("nym2.fdb")))
{
    exec(QStringLiteral("CREATE TABLE Acronyms (Acronym TEXT, Definition TEXT, Active INTEGER)"));
}

TempDictionary::TempDictionary(std::initializer_list<Row> rows)
    : TempDictionary()
{
    for (const Row &row : rows)
        insert(row);
}

void TempDictionary::insert(const Row &row)
{
    Handle db = openRaw(m_path);
    sqlite3_stmt *stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db.get(), "INSERT INTO Acronyms VALUES (?, ?, ?)", -1, &stmt, nullptr), SQLITE_OK);
    bindText(stmt, 1, row.acronym);
    bindText(stmt, 2, row.definition);
    if (row.active)
        sqlite3_bind_int64(stmt, 3, *row.active);
    else
        sqlite3_bind_null(stmt, 3);
    EXPECT_EQ(sqlite3_step(stmt), SQLITE_DONE);
    sqlite3_finalize(stmt);
}

void TempDictionary::exec(const QString &sql)
{
    execFile(m_path, sql);
}

void execFile(const QString &path, const QString &sql)
{
    Handle db = openRaw(path);
    // Another program's write waits for a reader beside it (a server that
    // answers from the file) as that program would.
    sqlite3_busy_timeout(db.get(), 5000);
    char *error = nullptr;
    if (sqlite3_exec(db.get(), sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        ADD_FAILURE() << sql.toStdString() << ": " << (error ? error : "?");
        sqlite3_free(error);
    }
}

Table queryFile(const QString &path, const QString &sql)
{
    Table rows;
    Handle db = openRaw(path);
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db.get(), sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sql.toStdString() << ": " << sqlite3_errmsg(db.get());
        return rows;
    }
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        QList<std::optional<QString>> fields;
        for (int column = 0; column < sqlite3_column_count(stmt); ++column)
            fields << columnText(stmt, column);
        rows << fields;
    }
    sqlite3_finalize(stmt);
    return rows;
}

QList<Row> TempDictionary::rows() const
{
    QList<Row> result;
    Handle db = openRaw(m_path);
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db.get(), "SELECT Acronym, Definition, Active FROM Acronyms ORDER BY rowid", -1, &stmt,
                           nullptr)
        != SQLITE_OK) {
        ADD_FAILURE() << "cannot read " << m_path.toStdString();
        return result;
    }
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        Row row{columnText(stmt, 0), columnText(stmt, 1), std::nullopt};
        if (sqlite3_column_type(stmt, 2) != SQLITE_NULL)
            row.active = sqlite3_column_int64(stmt, 2);
        result.append(row);
    }
    sqlite3_finalize(stmt);
    return result;
}

QString TempDictionary::integrityCheck() const
{
    Handle db = openRaw(m_path);
    sqlite3_stmt *stmt = nullptr;
    QStringList verdict;
    if (sqlite3_prepare_v2(db.get(), "PRAGMA integrity_check", -1, &stmt, nullptr) != SQLITE_OK)
        return QString::fromUtf8(sqlite3_errmsg(db.get()));
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
        verdict << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
    if (rc != SQLITE_DONE)
        verdict << QString::fromUtf8(sqlite3_errmsg(db.get()));
    sqlite3_finalize(stmt);
    return verdict.join(QLatin1Char('\n'));
}

} // namespace testing_support

namespace testing_support {

void PrintTo(const Row &row, std::ostream *out)
{
    auto text = [](const std::optional<QString> &value) {
        return value ? "\"" + value->toStdString() + "\"" : std::string("NULL");
    };
    *out << "{" << text(row.acronym) << ", " << text(row.definition) << ", "
         << (row.active ? std::to_string(*row.active) : std::string("NULL")) << "}";
}

} // namespace testing_support
