#include "tools/dbtool.h"

#include "store/acronymindex.h"
#include "store/engine.h"
#include "store/schema.h"
#include "store/text.h"

#include <QFile>
#include <QHash>
#include <QTextStream>

namespace tools {

namespace {

const char *const kUsage =
    "usage: orvex-db create FILE\n"
    "       orvex-db import TSV --into FILE\n"
    "\n"
    "  create  make a new, empty acronym dictionary (never overwrites a file)\n"
    "  import  add ACRONYM<TAB>definition lines to a dictionary\n";

// Exit codes: 0 done, 1 the work failed, 2 the command line was wrong.
enum Exit { Ok = 0, Failed = 1, Usage = 2 };

} // namespace

ImportReport importTsv(const QString &dbPath, const QString &tsvPath)
{
    QFile input(tsvPath);
    if (!input.open(QIODevice::ReadOnly | QIODevice::Text))
        throw std::runtime_error(QStringLiteral("%1: %2").arg(tsvPath, input.errorString()).toStdString());

    store::Database db = store::Engine::instance().open(dbPath);
    store::Transaction transaction(db);

    // Trimmed acronym -> rowid of its first record, as the record scan would
    // find it; built once so the import stays linear in the input.
    QHash<QString, qint64> firstRow;
    {
        store::Statement scan(db, "SELECT rowid, Acronym FROM Acronyms ORDER BY rowid");
        while (scan.step()) {
            if (scan.isNull(1))
                continue;
            const QString key = store::trimSpaces(scan.text(1));
            if (!firstRow.contains(key))
                firstRow.insert(key, scan.integer(0));
        }
    }

    store::Statement insert(db, "INSERT INTO Acronyms (Acronym, Definition, Active) VALUES (?1, ?2, 1)");
    store::Statement append(db, "UPDATE Acronyms SET Definition = "
                                "coalesce(Definition, '') || ' - ' || ?1 WHERE rowid = ?2");

    ImportReport report;
    QTextStream in(&input);
    in.setEncoding(QStringConverter::Utf8);
    int lineNumber = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        ++lineNumber;
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char('$')))
            continue;
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab < 0) {
            report.skipped << QStringLiteral("line %1: no tab between acronym and definition").arg(lineNumber);
            continue;
        }
        const QString acronym = store::upperCased(line.left(tab));
        const QString definition = line.mid(tab + 1);
        if (store::isBlank(acronym) || store::isBlank(definition)) {
            report.skipped << QStringLiteral("line %1: empty acronym or definition").arg(lineNumber);
            continue;
        }
        const QString key = store::trimSpaces(acronym);
        if (const auto found = firstRow.constFind(key); found != firstRow.cend()) {
            append.bind(1, definition);
            append.bind(2, *found);
            append.run();
            append.reset();
            ++report.appended;
        } else {
            insert.bind(1, acronym);
            insert.bind(2, definition);
            insert.run();
            insert.reset();
            firstRow.insert(key, db.lastInsertRowid());
            ++report.added;
        }
    }
    // A dictionary made by another tool gets the lookup index here, in the
    // same transaction, rather than on the program's first lookup.
    store::createAcronymIndex(db);
    transaction.commit();
    return report;
}

int runDbTool(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    const QString command = arguments.value(0);
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        out << kUsage;
        return Ok;
    }
    try {
        if (command == QLatin1String("create") && arguments.size() == 2) {
            store::createDictionary(arguments.at(1));
            out << "created " << arguments.at(1) << '\n';
            return Ok;
        }
        if (command == QLatin1String("import") && arguments.size() == 4
            && arguments.at(2) == QLatin1String("--into")) {
            const ImportReport report = importTsv(arguments.at(3), arguments.at(1));
            for (const QString &line : report.skipped)
                err << arguments.at(1) << ": skipped " << line << '\n';
            out << "added " << report.added << ", appended to " << report.appended << '\n';
            return Ok;
        }
    } catch (const store::Error &error) {
        err << "orvex-db: " << error.path() << ": " << error.reason() << " (" << error.engineMessage()
            << ")\n";
        return Failed;
    } catch (const std::exception &error) {
        err << "orvex-db: " << error.what() << '\n';
        return Failed;
    }
    err << kUsage;
    return Usage;
}

} // namespace tools
