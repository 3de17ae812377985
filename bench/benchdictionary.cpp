#include "benchdictionary.h"

#include "store/file/schema.h"

#include <QFile>

#include <sqlite3.h>

#include <stdexcept>

namespace bench {

QString acronymFor(quint32 i)
{
    // Multiplying by an odd number is a bijection on 32-bit numbers.
    quint32 n = i * 2654435761u;
    QString text;
    do {
        text += QChar(u'A' + n % 26);
        n /= 26;
    } while (n != 0 && text.size() < 7);
    if (text.size() < 2)
        text += QLatin1Char('A');
    return text;
}

void makeDictionary(const QString &path, quint32 count)
{
    if (QFile::exists(path))
        return;
    const QString temporary = path + QStringLiteral(".new");
    QFile::remove(temporary);
    store::createDictionary(temporary).close();

    sqlite3 *db = nullptr;
    if (sqlite3_open(temporary.toUtf8().constData(), &db) != SQLITE_OK)
        throw std::runtime_error("cannot open " + temporary.toStdString());
    // Filling a file nobody uses yet: no journal, no waiting for the disk.
    sqlite3_exec(db, "PRAGMA synchronous = OFF; PRAGMA journal_mode = OFF; BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO Acronyms VALUES (?1, ?2, 1)", -1, &insert, nullptr);
    for (quint32 i = 0; i < count; ++i) {
        const QByteArray acronym = acronymFor(i).toUtf8();
        const QByteArray definition =
            QStringLiteral("Definition number %1 of a dictionary of %2 acronyms").arg(i).arg(count).toUtf8();
        sqlite3_bind_text(insert, 1, acronym.constData(), static_cast<int>(acronym.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, definition.constData(), static_cast<int>(definition.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(insert) != SQLITE_DONE)
            throw std::runtime_error(sqlite3_errmsg(db));
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    const int rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    if (rc != SQLITE_OK || !QFile::rename(temporary, path))
        throw std::runtime_error("cannot make " + path.toStdString());
}

} // namespace bench
