#include "tools/importer.h"

#include "store/acronymindex.h"
#include "store/engine.h"
#include "store/text.h"
#include "tools/keyindex.h"
#include "tools/recordreader.h"

#include <QFile>

#include <cstring>
#include <string>
#include <string_view>

namespace tools {

namespace {

std::string_view view(const QByteArray &bytes)
{
    return {bytes.constData(), static_cast<size_t>(bytes.size())};
}

bool isAscii(const QByteArray &bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// The acronym as the program would store it: upper-cased, spaces kept.
void upperCasedUtf8(const QByteArray &acronym, std::string &result)
{
    if (isAscii(acronym)) { // the common case, and the same result as below
        result.assign(acronym.constData(), static_cast<size_t>(acronym.size()));
        for (char &c : result) {
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        }
        return;
    }
    const QByteArray upper = store::upperCased(store::fromStoredUtf8(std::string_view(acronym.constData(), static_cast<size_t>(acronym.size())))).toUtf8();
    result.assign(upper.constData(), static_cast<size_t>(upper.size()));
}

// An upper bound for the records of the file, to size the key index.
qsizetype countLines(QByteArrayView data)
{
    qsizetype lines = 1;
    for (const char *p = data.data(), *end = p + data.size();
         (p = static_cast<const char *>(std::memchr(p, '\n', static_cast<size_t>(end - p)))) != nullptr; ++p)
        ++lines;
    return lines;
}

// The whole file in memory; mapped when the system allows, read otherwise.
class InputFile
{
public:
    explicit InputFile(const QString &path)
        : m_file(path)
    {
        if (!m_file.open(QIODevice::ReadOnly))
            throw std::runtime_error(QStringLiteral("%1: %2").arg(path, m_file.errorString()).toStdString());
        const qint64 size = m_file.size();
        if (size > 0) {
            if (uchar *mapped = m_file.map(0, size)) {
                m_data = QByteArrayView(reinterpret_cast<const char *>(mapped), size);
                return;
            }
        }
        m_copy = m_file.readAll();
        if (m_file.error() != QFileDevice::NoError)
            throw std::runtime_error(QStringLiteral("%1: %2").arg(path, m_file.errorString()).toStdString());
        m_data = m_copy;
    }

    QByteArrayView data() const { return m_data; }

private:
    QFile m_file;
    QByteArray m_copy;
    QByteArrayView m_data;
};

} // namespace

ImportReport importFile(const QString &dbPath, const QString &inputPath, const ImportOptions &options)
{
    const InputFile input(inputPath);
    RecordReader reader(input.data(), detectFormat(inputPath, input.data()));

    store::Database db = store::Engine::instance().open(dbPath);
    store::Transaction transaction(db);

    // Trimmed acronym -> rowid of its first record, as the record scan would
    // find it; built once so that the import stays linear in its input.
    KeyIndex firstRow(countLines(input.data()));
    {
        store::Statement scan(db, "SELECT rowid, Acronym FROM Acronyms ORDER BY rowid");
        while (scan.step()) {
            if (!scan.isNull(1)) {
                qint64 &row = firstRow.entry(store::trimSpaces(scan.utf8(1)));
                if (row < 0)
                    row = scan.integer(0);
            }
        }
    }

    store::Statement insert(db, "INSERT INTO Acronyms (Acronym, Definition, Active) VALUES (?1, ?2, 1)");
    store::Statement append(db, "UPDATE Acronyms SET Definition = "
                                "coalesce(Definition, '') || ' - ' || ?1 WHERE rowid = ?2");

    ImportReport report;
    const qint64 total = input.data().size();
    qint64 sinceProgress = 0;

    // Records are read one ahead: while one is stored, the key index slot of
    // the next is on its way from memory.
    struct Ahead
    {
        InputRecord record;
        std::string acronym; // upper-cased
        quint64 hash = 0;
    } ahead[2];
    auto readNext = [&](Ahead &next) {
        if (!reader.next(next.record))
            return false;
        if (next.record.problem.isEmpty()) {
            upperCasedUtf8(next.record.acronym, next.acronym);
            next.hash = KeyIndex::hashOf(store::trimSpaces(next.acronym));
            firstRow.prefetch(next.hash);
        }
        return true;
    };

    int current = 0;
    for (bool more = readNext(ahead[current]); more;) {
        more = readNext(ahead[1 - current]);
        const Ahead &item = ahead[current];
        current = 1 - current;
        if (options.progress && ++sinceProgress == 4096) {
            sinceProgress = 0;
            options.progress(reader.position(), total);
        }
        if (!item.record.problem.isEmpty()) {
            const QString line = QStringLiteral("line %1: %2").arg(item.record.line).arg(item.record.problem);
            if (options.strict)
                throw ImportRefused(line.toStdString());
            report.skipped << line;
            continue;
        }
        qint64 &row = firstRow.entry(store::trimSpaces(item.acronym), item.hash);
        if (row >= 0) {
            append.bindUtf8(1, view(item.record.definition));
            append.bind(2, row);
            append.run();
            append.reset();
            ++report.appended;
        } else {
            insert.bindUtf8(1, item.acronym);
            insert.bindUtf8(2, view(item.record.definition));
            insert.run();
            insert.reset();
            row = db.lastInsertRowid();
            ++report.added;
        }
    }
    // A dictionary made by another tool gets the lookup index here, in the
    // same transaction, rather than on the program's first lookup.
    store::createAcronymIndex(db);
    transaction.commit();
    if (options.progress)
        options.progress(total, total);
    return report;
}

} // namespace tools
