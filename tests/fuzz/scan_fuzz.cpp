// Space trimming, upper-casing and the record scan against any text: the
// scan over a real table, and the lookup through the trimmed-acronym index,
// must pick exactly the record a plain loop picks.
//
// Input: lines; the first is the key, the rest are stored acronyms, and a
// line that starts with byte 0x01 stands for a record without an acronym.

#include "store/file/acronymindex.h"
#include "store/file/recordscan.h"
#include "store/file/sqlite.h"
#include "store/text.h"

#include <QList>

#include <cstdint>
#include <cstdlib>
#include <optional>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

void checkTrimming(const QString &text)
{
    const QString trimmed = store::trimSpaces(text);
    require(!trimmed.startsWith(QLatin1Char(' ')) && !trimmed.endsWith(QLatin1Char(' ')));
    require(text.contains(trimmed));
    require(store::isBlank(text) == trimmed.isEmpty());
    const QByteArray utf8 = text.toUtf8();
    const std::string_view bytes = store::trimSpaces(std::string_view(utf8.constData(), utf8.size()));
    require(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())) == trimmed);
    // Upper-casing keeps spaces where they were and never fails.
    const QString upper = store::upperCased(text);
    require(store::isBlank(upper) == store::isBlank(text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<QByteArray> lines =
        QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)).split('\n');
    if (lines.size() > 64)
        return 0;
    const QString key = QString::fromUtf8(lines.first());
    checkTrimming(key);

    store::Database db(QStringLiteral(":memory:"), store::Database::Open::CreateNew, 0);
    db.exec("CREATE TABLE Acronyms (Acronym TEXT, Definition TEXT, Active INTEGER)");
    store::Statement insert(db, "INSERT INTO Acronyms (Acronym) VALUES (?1)");
    store::Statement insertNull(db, "INSERT INTO Acronyms (Acronym) VALUES (NULL)");

    std::optional<qint64> expected;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const bool isNull = lines[i].startsWith('\x01');
        if (isNull) {
            insertNull.run();
            insertNull.reset();
            continue;
        }
        const QString acronym = QString::fromUtf8(lines[i]);
        checkTrimming(acronym);
        insert.bind(1, acronym);
        insert.run();
        insert.reset();
        if (!expected && store::trimSpaces(acronym) == store::trimSpaces(key))
            expected = db.lastInsertRowid();
    }
    require(store::scanForAcronym(db, key) == expected);
    store::createAcronymIndex(db);
    require(store::seekAcronym(db, key) == expected);
    return 0;
}
