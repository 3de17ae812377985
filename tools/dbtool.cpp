#include "tools/dbtool.h"

#include "store/schema.h"
#include "store/sqlite.h"
#include "tools/exporter.h"
#include "tools/importer.h"
#include "tools/progressbar.h"
#include "tools/stats.h"

#include <QBuffer>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

#include <optional>

namespace tools {

namespace {

const char *const kUsage =
    "usage: orvex-db create FILE\n"
    "       orvex-db import FILE [--into DB] [--strict]\n"
    "       orvex-db export [--from DB] [FILE]\n"
    "       orvex-db stats [--from DB]\n"
    "       orvex-db --help\n";

const char *const kHelp =
    "\n"
    "  create  make a new, empty acronym dictionary; never overwrites a file\n"
    "  import  add the acronyms of FILE to the dictionary DB, in one transaction.\n"
    "          FILE holds ACRONYM<TAB>definition lines (lines starting with # or $\n"
    "          are skipped), or CSV with a header row naming an Acronym and a\n"
    "          Definition column (a .csv name, or such a first line). Acronyms are\n"
    "          upper-cased; one already stored, or repeated in FILE, gets the new\n"
    "          meaning appended after \" - \". Bad lines (no tab, an empty acronym\n"
    "          or definition, text that is not UTF-8) are skipped and listed.\n"
    "          --strict  refuse the whole file at its first bad line instead\n"
    "  export  write the dictionary to FILE (or to standard output) as lines that\n"
    "          import reads back into the same table; CSV when FILE ends in .csv\n"
    "  stats   count the records and acronyms of the dictionary\n"
    "\n"
    "DB defaults to the program's own dictionary, nym2.fdb beside orvex-db:\n"
    "  %1\n"
    "\n"
    "Exit status: 0 done, 1 the work failed (a failed import writes nothing),\n"
    "2 the command line was wrong.\n";

enum Exit { Ok = 0, Failed = 1, Usage = 2 };

// What a store error means, in the tool's words.
QString reasonFor(const store::Error &error)
{
    using Kind = store::Error::Kind;
    switch (error.kind()) {
    case Kind::Missing:
        return QStringLiteral("the file does not exist");
    case Kind::Exists:
        return QStringLiteral("the file already exists");
    case Kind::Folder:
        return QStringLiteral("there is a folder of that name, not a file");
    case Kind::NoPermission:
        return QStringLiteral("no permission to use the file");
    case Kind::NotADictionary:
        return QStringLiteral("the file is not an acronym database");
    case Kind::NoTable:
        return QStringLiteral("the file has no table Acronyms");
    case Kind::NoField:
        return QStringLiteral("the table Acronyms lacks a field");
    case Kind::Damaged:
        return QStringLiteral("the database file is damaged");
    case Kind::Busy:
        return QStringLiteral("the dictionary is in use by another program");
    case Kind::ReadOnly:
        return QStringLiteral("the dictionary is read-only");
    case Kind::ReadOnlyFolder:
        return QStringLiteral("the file's folder cannot be written to (a change needs a journal beside it)");
    case Kind::Full:
        return QStringLiteral("the disk is full");
    case Kind::Io:
        return QStringLiteral("the file could not be read or written");
    default:
        return error.engineMessage();
    }
}

// A command's words: positional arguments and --options, in any order.
struct CommandLine
{
    QStringList positional;
    std::optional<QString> into;
    std::optional<QString> from;
    bool strict = false;
    QString problem;
};

CommandLine parse(const QStringList &arguments)
{
    CommandLine line;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &word = arguments.at(i);
        auto value = [&](std::optional<QString> &target) {
            if (i + 1 >= arguments.size() || target)
                line.problem = QStringLiteral("%1 needs one file name").arg(word);
            else
                target = arguments.at(++i);
        };
        if (word == QLatin1String("--into"))
            value(line.into);
        else if (word == QLatin1String("--from"))
            value(line.from);
        else if (word == QLatin1String("--strict"))
            line.strict = true;
        else if (word.startsWith(QLatin1String("--")))
            line.problem = QStringLiteral("unknown option %1").arg(word);
        else
            line.positional << word;
    }
    return line;
}

bool sameFile(const QString &a, const QString &b)
{
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    return !canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath();
}

int create(const CommandLine &line, QTextStream &out)
{
    store::createDictionary(line.positional.at(0));
    out << "created " << line.positional.at(0) << '\n';
    return Ok;
}

int import(const CommandLine &line, QTextStream &out, QTextStream &err, const DbToolSetup &setup)
{
    const QString input = line.positional.at(0);
    const QString db = line.into.value_or(setup.defaultDatabase);
    ImportOptions options;
    options.strict = line.strict;
    std::optional<ProgressBar> bar;
    if (setup.progressBar) {
        bar.emplace(err, QStringLiteral("importing"));
        options.progress = [&bar](qint64 done, qint64 total) { bar->update(done, total); };
    }
    ImportReport report;
    try {
        report = importFile(db, input, options);
    } catch (const ImportRefused &refusal) {
        if (bar)
            bar->finish();
        err << "orvex-db: " << input << ": " << refusal.what() << "; nothing was imported\n";
        return Failed;
    }
    if (bar)
        bar->finish();
    for (const QString &skipped : report.skipped)
        err << input << ": skipped " << skipped << '\n';
    out << "added " << report.added << ", appended to " << report.appended;
    if (!report.skipped.isEmpty())
        out << ", skipped " << report.skipped.size();
    out << " (" << db << ")\n";
    return Ok;
}

int exportTo(const CommandLine &line, QTextStream &out, QTextStream &err, const DbToolSetup &setup)
{
    const QString db = line.from.value_or(setup.defaultDatabase);
    const QString target = line.positional.value(0, QStringLiteral("-"));
    ExportReport report;
    if (target == QLatin1String("-")) {
        out.flush();
        if (QIODevice *device = out.device()) {
            report = exportDictionary(db, *device, OutputFormat::Tsv);
        } else {
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            report = exportDictionary(db, buffer, OutputFormat::Tsv);
            out << QString::fromUtf8(buffer.data());
        }
    } else {
        if (sameFile(target, db)) {
            err << "orvex-db: " << target << " is the dictionary itself; choose another file\n";
            return Failed;
        }
        // Written aside and moved in whole: a failed export leaves an older
        // file of that name as it was.
        QSaveFile file(target);
        if (!file.open(QIODevice::WriteOnly)) {
            err << "orvex-db: " << target << ": " << file.errorString() << '\n';
            return Failed;
        }
        report = exportDictionary(db, file, outputFormatFor(target));
        if (!file.commit()) {
            err << "orvex-db: " << target << ": " << file.errorString() << '\n';
            return Failed;
        }
    }
    for (const QString &left : report.left)
        err << "orvex-db: left out " << left << '\n';
    if (target != QLatin1String("-"))
        out << "exported " << report.written << " records to " << target << '\n';
    if (!report.left.isEmpty()) {
        err << "orvex-db: " << report.left.size() << " records were not exported\n";
        return Failed;
    }
    return Ok;
}

int stats(const CommandLine &line, QTextStream &out, const DbToolSetup &setup)
{
    const QString db = line.from.value_or(setup.defaultDatabase);
    const DictionaryStats stats = dictionaryStats(db);
    out << "dictionary:  " << db << '\n'
        << "file size:   " << stats.fileSize << " bytes\n"
        << "records:     " << stats.records << '\n'
        << "acronyms:    " << stats.acronyms << '\n';
    if (stats.repeated)
        out << "repeated:    " << stats.repeated << " records behind an earlier one of the same acronym\n";
    if (stats.lowerCase)
        out << "lower-case:  " << stats.lowerCase << " acronyms with lower-case letters (never found)\n";
    if (stats.incomplete)
        out << "incomplete:  " << stats.incomplete << " records without an acronym or a definition\n";
    return Ok;
}

// Which positional counts and options each command takes.
bool fits(const QString &command, const CommandLine &line)
{
    const qsizetype count = line.positional.size();
    if (command == QLatin1String("create"))
        return count == 1 && !line.into && !line.from && !line.strict;
    if (command == QLatin1String("import"))
        return count == 1 && !line.from;
    if (command == QLatin1String("export"))
        return count <= 1 && !line.into && !line.strict;
    if (command == QLatin1String("stats"))
        return count == 0 && !line.into && !line.strict;
    return false;
}

} // namespace

int runDbTool(const QStringList &arguments, QTextStream &out, QTextStream &err, const DbToolSetup &setup)
{
    const QString command = arguments.value(0);
    if (command == QLatin1String("--help") || command == QLatin1String("-h") || command == QLatin1String("help")) {
        out << kUsage << QString::fromLatin1(kHelp).arg(setup.defaultDatabase);
        return Ok;
    }
    const CommandLine line = parse(arguments);
    if (!line.problem.isEmpty() || !fits(command, line)) {
        if (!line.problem.isEmpty())
            err << "orvex-db: " << line.problem << '\n';
        else if (!command.isEmpty() && !QStringList{"create", "import", "export", "stats"}.contains(command))
            err << "orvex-db: unknown command " << command << '\n';
        err << kUsage << "Try orvex-db --help for more.\n";
        return Usage;
    }
    try {
        if (command == QLatin1String("create"))
            return create(line, out);
        if (command == QLatin1String("import"))
            return import(line, out, err, setup);
        if (command == QLatin1String("export"))
            return exportTo(line, out, err, setup);
        return stats(line, out, setup);
    } catch (const store::Error &error) {
        const QString reason = reasonFor(error);
        err << "orvex-db: " << error.location() << ": " << reason;
        if (reason != error.engineMessage())
            err << " (" << error.engineMessage() << ")";
        err << '\n';
        if (command == QLatin1String("import") && !QFileInfo::exists(error.path()))
            err << "Make a new dictionary first: orvex-db create " << error.path() << '\n';
        return Failed;
    } catch (const std::exception &error) {
        err << "orvex-db: " << error.what() << '\n';
        return Failed;
    }
}

} // namespace tools
