#include "tools/dbtool.h"

#include "store/copy.h"
#include "store/dictionary.h"
#include "store/error.h"
#include "store/schema.h"
#include "store/server.h"
#include "store/text.h"
#include "tools/exporter.h"
#include "tools/importer.h"
#include "tools/progressbar.h"
#include "tools/stats.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>
#include <QTextStream>

#include <optional>

namespace tools {

namespace {

enum Exit { Ok = 0, Failed = 1, Usage = 2 };

struct Command
{
    const char *name;
    const char *usage;
    const char *help;
};

const Command kCommands[] = {
    {"create", "create FILE",
     "  Makes a new, empty acronym dictionary. Never overwrites a file. On a server\n"
     "  (a postgresql:// URI or a connection string) it makes table acronyms and\n"
     "  prints the grants for a role that looks up and one that also adds.\n"},
    {"copy", "copy SOURCE TARGET",
     "  Copies every record of SOURCE, in order, into TARGET, which must hold none:\n"
     "  a file to a server or back. A missing target file is made.\n"},
    {"import",
     "import FILE|- [--into DB] [--strict] [--acronym-column NAME]\n"
     "                [--definition-column NAME] [--with-columns NAME,...]",
     "  Adds the acronyms of FILE (- reads standard input) to the dictionary DB in\n"
     "  one transaction. FILE holds ACRONYM<TAB>definition lines (lines starting\n"
     "  with # or $ are comments), or CSV whose header row names an acronym column\n"
     "  (Acronym, Abbreviation, Term or Title) and a definition column (Definition,\n"
     "  Meaning, Description or Expansion), in any letter case; other columns are\n"
     "  ignored. CSV when FILE ends in .csv, or when its first line has commas and\n"
     "  no tab (and the name does not end in .tsv). Text is UTF-8 (with or without\n"
     "  a byte order mark) or UTF-16 with one. Acronyms are upper-cased. One\n"
     "  already stored gets the meaning appended after \" - \", unless the stored\n"
     "  definition holds it already: importing a file twice changes nothing the\n"
     "  second time. Bad lines are skipped and listed.\n"
     "    --strict                   refuse the whole file at its first bad line\n"
     "    --acronym-column NAME      take the acronym from CSV column NAME\n"
     "    --definition-column NAME   take the definition from CSV column NAME\n"
     "    --with-columns A,B         add these CSV columns: \"meaning (a; b)\"\n"},
    {"export", "export [--from DB] [--force] [FILE|-]",
     "  Writes the dictionary to FILE (or - , standard output, the default) as\n"
     "  lines that import reads back into the same table; CSV when FILE ends in\n"
     "  .csv. The file is written aside and moved into place when complete. An\n"
     "  existing file is replaced only with --force, and never when it is a\n"
     "  dictionary. Pipes and devices are written into. In CSV a cell starting\n"
     "  with = + - or @ gets an apostrophe in front, so that spreadsheets show it\n"
     "  as text; import takes it off again.\n"},
    {"stats", "stats [--from DB]", "  Counts the records and acronyms of the dictionary.\n"},
    {"find", "find ACRONYM... [--db DB]",
     "  Prints the definition of each acronym as the program's window finds it:\n"
     "  upper-cased, compared after trimming spaces, the first record in the\n"
     "  table's order. With several acronyms each line reads \"ACRONYM: definition\".\n"
     "  Exit status 1 when one is missing (named on standard error).\n"},
    {"add", "add ACRONYM DEFINITION [--db DB]",
     "  Adds the acronym; one stored already gets the definition appended after\n"
     "  \" - \", as the window's Add does.\n"},
    {"replace", "replace ACRONYM DEFINITION [--db DB]", "  Replaces the definition of the acronym as find finds it.\n"},
    {"delete", "delete ACRONYM [--db DB]", "  Deletes the record find finds and prints what it held.\n"},
    {"list", "list [PREFIX] [--db DB]", "  Prints the stored acronyms (each once, sorted) that start with PREFIX.\n"},
    {"search", "search WORD... [--db DB]",
     "  Prints \"ACRONYM: definition\" for each record whose definition holds every\n"
     "  word, letter case aside, in the table's order. Exit status 1 when none does.\n"},
};

const Command *commandNamed(const QString &name)
{
    for (const Command &command : kCommands) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

QString usage()
{
    QString text;
    for (const Command &command : kCommands)
        text += (text.isEmpty() ? QLatin1String("usage: orvex-db ") : QLatin1String("       orvex-db "))
                + QLatin1String(command.usage) + QLatin1Char('\n');
    return text + QLatin1String("       orvex-db --help | --version\n");
}

QString help(const QString &defaultDatabase)
{
    QString text = usage() + QLatin1Char('\n');
    for (const Command &command : kCommands)
        text += QLatin1String(command.name) + QLatin1Char('\n') + QLatin1String(command.help);
    return text
           + QStringLiteral("\nDB defaults to the program's own dictionary, nym2.fdb beside orvex-db:\n  %1\n"
                            "--db DB names it for any command, as --into and --from do. Every command\n"
                            "takes a postgresql:// URI or a connection string wherever it takes DB.\n"
                            "\n-- ends the options: orvex-db create -- -odd.fdb\n"
                            "Exit status: 0 done, 1 the work failed (a failed import writes nothing),\n"
                            "2 the command line was wrong.\n")
                 .arg(defaultDatabase);
}

QString counted(qint64 count, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

// A command's words: positional arguments and options, in any order.
struct CommandLine
{
    QString command;
    QStringList positional;
    std::optional<QString> into;
    std::optional<QString> db;
    std::optional<QString> from;
    std::optional<QString> acronymColumn;
    std::optional<QString> definitionColumn;
    std::optional<QString> withColumns;
    bool strict = false;
    bool force = false;
    bool help = false;
    bool version = false;
    QString problem;
};

CommandLine parse(const QStringList &arguments)
{
    CommandLine line;
    bool options = true;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &word = arguments.at(i);
        auto value = [&](std::optional<QString> &target) {
            if (i + 1 >= arguments.size() || target)
                line.problem = QStringLiteral("%1 needs one value").arg(word);
            else
                target = arguments.at(++i);
        };
        if (!options || word == QLatin1String("-") || !word.startsWith(QLatin1Char('-'))) {
            if (line.command.isEmpty() && options)
                line.command = word;
            else
                line.positional << word;
        } else if (word == QLatin1String("--")) {
            options = false;
        } else if (word == QLatin1String("--help") || word == QLatin1String("-h")) {
            line.help = true;
        } else if (word == QLatin1String("--version")) {
            line.version = true;
        } else if (word == QLatin1String("--into")) {
            value(line.into);
        } else if (word == QLatin1String("--from")) {
            value(line.from);
        } else if (word == QLatin1String("--db")) {
            value(line.db);
        } else if (word == QLatin1String("--acronym-column")) {
            value(line.acronymColumn);
        } else if (word == QLatin1String("--definition-column")) {
            value(line.definitionColumn);
        } else if (word == QLatin1String("--with-columns")) {
            value(line.withColumns);
        } else if (word == QLatin1String("--strict")) {
            line.strict = true;
        } else if (word == QLatin1String("--force")) {
            line.force = true;
        } else if (line.problem.isEmpty()) {
            line.problem = QStringLiteral("unknown option %1").arg(word);
        }
    }
    return line;
}

// Which positional counts and options each command takes.
bool fits(const CommandLine &line)
{
    const qsizetype count = line.positional.size();
    const bool importOptions = line.strict || line.acronymColumn || line.definitionColumn || line.withColumns;
    const QString &command = line.command;
    // One way to name the dictionary at most.
    if (int(line.into.has_value()) + int(line.from.has_value()) + int(line.db.has_value()) > 1)
        return false;
    if (command == QLatin1String("create"))
        return count == 1 && !line.into && !line.from && !line.db && !importOptions && !line.force;
    if (command == QLatin1String("copy"))
        return count == 2 && !line.into && !line.from && !line.db && !importOptions && !line.force;
    if (command == QLatin1String("import"))
        return count == 1 && !line.from && !line.force;
    if (importOptions || line.into)
        return false;
    if (command == QLatin1String("export"))
        return count <= 1;
    if (line.force)
        return false;
    if (command == QLatin1String("stats"))
        return count == 0;
    if (line.from)
        return false;
    if (command == QLatin1String("find") || command == QLatin1String("search"))
        return count >= 1;
    if (command == QLatin1String("add") || command == QLatin1String("replace"))
        return count == 2;
    if (command == QLatin1String("delete"))
        return count == 1;
    if (command == QLatin1String("list"))
        return count <= 1;
    return false;
}

// SQLite would read these as a URI or an in-memory database, not a file.
QString notAFileName(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("an empty name is not a dictionary file name");
    if (name == QLatin1String(":memory:") || name.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return QStringLiteral("%1 is not a dictionary file name (SQLite URIs and :memory: are not files)").arg(name);
    return {};
}

QString folderOf(const QString &path)
{
    return QFileInfo(path).absolutePath();
}

bool onReadOnlyFileSystem(const QString &path)
{
    const QStorageInfo storage(QFileInfo::exists(path) ? path : folderOf(path));
    return storage.isValid() && storage.isReadOnly();
}

// Why a dictionary could not be opened or written, in the user's words.
QString cause(const store::Error &error)
{
    using Kind = store::Error::Kind;
    const QString &path = error.location();
    if (error.isFromServer()) {
        // The server says what is wrong in its own plain words.
        switch (error.kind()) {
        case Kind::NoTable:
            return QStringLiteral("the database has no table acronyms; orvex-db create makes it");
        case Kind::WriteUnknown:
            return QStringLiteral("%1; look the acronym up again").arg(error.engineMessage());
        default:
            return error.engineMessage();
        }
    }
    switch (error.kind()) {
    case Kind::Missing:
        if (!QFileInfo(folderOf(path)).isDir())
            return QStringLiteral("the folder %1 does not exist").arg(QDir::toNativeSeparators(folderOf(path)));
        return QStringLiteral("no such file");
    case Kind::Exists:
        return QStringLiteral("the file already exists; choose another name");
    case Kind::Folder:
        return QStringLiteral("that is a folder, not a dictionary file");
    case Kind::NoPermission:
        return QStringLiteral("no permission to use the file");
    case Kind::NotADictionary:
        return QStringLiteral("not an acronym dictionary (not an SQLite database)");
    case Kind::NoTable:
        return QStringLiteral("not an acronym dictionary (no table Acronyms)");
    case Kind::NoField:
        return QStringLiteral("the table Acronyms lacks a field (%1)").arg(error.engineMessage());
    case Kind::Damaged:
        return QStringLiteral("the dictionary file is damaged");
    case Kind::Busy:
        return QStringLiteral("the dictionary is in use by another program; try again in a moment");
    case Kind::ReadOnly:
    case Kind::ReadOnlyFolder:
        if (onReadOnlyFileSystem(path))
            return QStringLiteral("the file system is read-only");
        return error.kind() == Kind::ReadOnly
                   ? QStringLiteral("the dictionary is read-only")
                   : QStringLiteral("the file's folder cannot be written to (a change needs a journal beside it)");
    case Kind::Full:
        return QStringLiteral("the disk is full");
    case Kind::Io:
        return QStringLiteral("the file could not be read or written (%1)").arg(error.engineMessage());
    case Kind::TooBig:
        return QStringLiteral("a text is too long to be stored");
    default:
        break;
    }
    return error.engineMessage();
}

bool sameFile(const QString &a, const QString &b)
{
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    return !canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath();
}

bool isSqliteDatabase(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(16) == QByteArray("SQLite format 3", 16);
}

class Tool
{
public:
    Tool(const CommandLine &line, QTextStream &out, QTextStream &err, const DbToolSetup &setup)
        : m_line(line)
        , m_out(out)
        , m_err(err)
        , m_setup(setup)
    {}

    int run();

private:
    int create();
    int copy();
    int import();
    int exportTo();
    int stats();
    int find();
    int add();
    int replace();
    int remove();
    int list();
    int search();
    // The dictionary named on the command line, or the program's own.
    QString dictionaryName() const
    {
        return m_line.db.value_or(m_line.into.value_or(m_line.from.value_or(m_setup.defaultDatabase)));
    }
    // The dictionary, file or server; none after saying why a name is none.
    std::optional<store::Location> dictionary();
    // The dictionary opened for the daily commands.
    store::Dictionary open();
    // The typed acronym unless it is blank (said, and "" given back).
    bool acceptable(const QString &typed, const char *what);
    int fail(const QString &message)
    {
        m_err << "orvex-db: " << message << '\n';
        return Failed;
    }

    const CommandLine &m_line;
    QTextStream &m_out;
    QTextStream &m_err;
    const DbToolSetup &m_setup;
};

int Tool::create()
{
    const QString path = m_line.positional.at(0);
    if (const store::Location where = store::Location::parse(path); where.isServer()) {
        store::createServerDictionary(where.target());
        m_out << "created table acronyms on " << where.display() << '\n'
              << "-- Run as the table's owner, with the role names of your choice:\n"
              << store::serverGrants(QStringLiteral("orvex_reader"), QStringLiteral("orvex_writer"));
        return Ok;
    }
    if (const QString why = notAFileName(path); !why.isEmpty())
        return fail(why);
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        return fail(QStringLiteral("%1: the file already exists; choose another name").arg(path));
    if (!QFileInfo(folderOf(path)).isDir())
        return fail(
            QStringLiteral("%1: the folder %2 does not exist").arg(path, QDir::toNativeSeparators(folderOf(path))));
    if (onReadOnlyFileSystem(path))
        return fail(QStringLiteral("%1: the file system is read-only").arg(path));
    store::createDictionary(path);
    m_out << "created " << path << '\n';
    return Ok;
}

int Tool::copy()
{
    const store::Location from = store::Location::parse(m_line.positional.at(0));
    const store::Location to = store::Location::parse(m_line.positional.at(1));
    const qint64 copied = store::copyDictionary(from, to);
    m_out << "copied " << copied << " records from " << from.display() << " to " << to.display() << '\n';
    return Ok;
}

int Tool::import()
{
    const QString input = m_line.positional.at(0);
    const std::optional<store::Location> db = dictionary();
    if (!db)
        return Failed;
    ImportOptions options;
    options.strict = m_line.strict;
    options.reader.acronymColumn = m_line.acronymColumn.value_or(QString());
    options.reader.definitionColumn = m_line.definitionColumn.value_or(QString());
    if (m_line.withColumns)
        options.reader.extraColumns = m_line.withColumns->split(QLatin1Char(','));
    std::optional<ProgressBar> bar;
    if (m_setup.progressBar) {
        bar.emplace(m_err, QStringLiteral("importing"));
        options.progress = [&bar](qint64 done, qint64 total) {
            if (total > 0)
                bar->update(done, total);
        };
    }

    QFile file;
    QString name = input;
    if (input == QLatin1String("-")) {
        if (!file.open(stdin, QIODevice::ReadOnly))
            return fail(QStringLiteral("standard input: %1").arg(file.errorString()));
        name = QStringLiteral("standard input");
    } else {
        file.setFileName(input);
        if (QFileInfo(input).isDir())
            return fail(QStringLiteral("%1 is a folder, not a file to import").arg(input));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            return fail(QStringLiteral("%1: %2").arg(input, file.errorString()));
    }

    ImportReport report;
    try {
        report = importRecords(*db, file, name, options);
    } catch (const ImportRefused &refusal) {
        if (bar)
            bar->finish();
        return fail(QString::fromStdString(refusal.what()));
    }
    if (bar)
        bar->finish();
    for (const QString &skipped : report.firstSkipped)
        m_err << name << ": skipped " << skipped << '\n';
    if (report.skipped > report.firstSkipped.size())
        m_err << name << ": and "
              << counted(report.skipped - report.firstSkipped.size(), "more bad line", "more bad lines") << '\n';
    m_out << counted(report.records, "record", "records") << " read: " << report.added << " added, " << report.appended
          << " appended, " << report.alreadyThere << " already there, " << report.skipped << " skipped ("
          << db->display() << ")\n";
    if (report.skipped == report.records)
        return fail(QStringLiteral("%1: no line could be imported; nothing was written").arg(name));
    return Ok;
}

int Tool::exportTo()
{
    const std::optional<store::Location> db = dictionary();
    if (!db)
        return Failed;
    const QString target = m_line.positional.value(0, QStringLiteral("-"));
    ExportReport report;
    try {
        if (target == QLatin1String("-")) {
            m_out.flush();
            if (QIODevice *device = m_out.device()) {
                report = exportDictionary(*db, *device, OutputFormat::Tsv);
            } else {
                QBuffer buffer;
                buffer.open(QIODevice::WriteOnly);
                report = exportDictionary(*db, buffer, OutputFormat::Tsv);
                m_out << QString::fromUtf8(buffer.data());
            }
        } else {
            const QFileInfo info(target);
            if (!db->isServer() && sameFile(target, db->target()))
                return fail(QStringLiteral("%1 is the dictionary being exported; choose another file").arg(target));
            if (info.isDir())
                return fail(QStringLiteral("%1 is a folder; name a file to write").arg(target));
            if (info.exists() && info.isFile()) {
                if (isSqliteDatabase(target))
                    return fail(QStringLiteral("%1 is a dictionary (an SQLite database); export writes text and never "
                                               "replaces one. To read from it: orvex-db export --from %1")
                                    .arg(target));
                if (!m_line.force)
                    return fail(QStringLiteral("%1 already exists; add --force to replace it").arg(target));
            }
            if (info.exists() && !info.isFile()) {
                // A pipe, a device or a terminal: written into, never replaced.
                QFile stream(target);
                if (!stream.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
                    return fail(QStringLiteral("%1: %2").arg(target, stream.errorString()));
                report = exportDictionary(*db, stream, outputFormatFor(target));
            } else {
                if (!QFileInfo(folderOf(target)).isDir())
                    return fail(QStringLiteral("%1: the folder %2 does not exist")
                                    .arg(target, QDir::toNativeSeparators(folderOf(target))));
                if (onReadOnlyFileSystem(target))
                    return fail(QStringLiteral("%1: the file system is read-only").arg(target));
                // Written aside and moved in whole: a failed export leaves an
                // older file of that name as it was.
                QSaveFile file(target);
                if (!file.open(QIODevice::WriteOnly))
                    return fail(QStringLiteral("%1: %2").arg(target, file.errorString()));
                report = exportDictionary(*db, file, outputFormatFor(target));
                if (!file.commit())
                    return fail(QStringLiteral("%1: %2").arg(target, file.errorString()));
            }
        }
    } catch (const std::runtime_error &error) {
        if (dynamic_cast<const store::Error *>(&error))
            throw;
        return fail(QStringLiteral("%1: could not be written: %2").arg(target, QString::fromStdString(error.what())));
    }
    for (const QString &left : report.left)
        m_err << "orvex-db: left out " << left << '\n';
    // Into a stream the count would land among the records.
    if (target != QLatin1String("-") && !QFileInfo(target).isSymLink() && QFileInfo(target).isFile())
        m_out << "exported " << counted(report.written, "record", "records") << " to " << target << '\n';
    if (!report.left.isEmpty())
        return fail(QStringLiteral("%1 not exported").arg(counted(report.left.size(), "record was", "records were")));
    return Ok;
}

int Tool::stats()
{
    const std::optional<store::Location> db = dictionary();
    if (!db)
        return Failed;
    const DictionaryStats stats = dictionaryStats(*db);
    m_out << "dictionary:  " << db->display() << '\n';
    if (stats.fileSize >= 0)
        m_out << "file size:   " << counted(stats.fileSize, "byte", "bytes") << '\n';
    m_out << "records:     " << stats.records << '\n' << "acronyms:    " << stats.acronyms << '\n';
    if (stats.repeated)
        m_out << "repeated:    " << counted(stats.repeated, "record", "records")
              << " behind an earlier one of the same acronym\n";
    if (stats.lowerCase)
        m_out << "lower-case:  " << counted(stats.lowerCase, "acronym", "acronyms")
              << " with lower-case letters (never found)\n";
    if (stats.incomplete)
        m_out << "incomplete:  " << counted(stats.incomplete, "record", "records")
              << " without an acronym or a definition\n";
    return Ok;
}

std::optional<store::Location> Tool::dictionary()
{
    const QString name = dictionaryName();
    if (const QString why = notAFileName(name); !why.isEmpty()) {
        fail(why);
        return std::nullopt;
    }
    return store::Location::parse(name);
}

store::Dictionary Tool::open()
{
    if (const QString why = notAFileName(dictionaryName()); !why.isEmpty())
        throw std::runtime_error(why.toStdString());
    return store::Dictionary(store::Location::parse(dictionaryName()));
}

// The key as messages show it: upper-cased, without the blanks around it.
QString shown(const QString &typed)
{
    return store::trimSpaces(store::keyOf(typed));
}

bool Tool::acceptable(const QString &typed, const char *what)
{
    if (!store::isBlank(typed))
        return true;
    fail(QStringLiteral("the %1 is blank").arg(QLatin1String(what)));
    return false;
}

int Tool::find()
{
    store::Dictionary dictionary = open();
    const bool several = m_line.positional.size() > 1;
    QStringList missing;
    for (const QString &typed : m_line.positional) {
        if (!acceptable(typed, "acronym"))
            return Failed;
        if (const std::optional<store::Entry> entry = dictionary.find(typed)) {
            if (several)
                m_out << shown(typed) << ": ";
            m_out << entry->definition << '\n';
        } else {
            missing << shown(typed);
        }
    }
    for (const QString &key : missing)
        m_err << "orvex-db: " << key << " is not in the dictionary\n";
    return missing.isEmpty() ? Ok : Failed;
}

int Tool::add()
{
    const QString &typed = m_line.positional.at(0);
    const QString &definition = m_line.positional.at(1);
    if (!acceptable(typed, "acronym") || !acceptable(definition, "definition"))
        return Failed;
    store::Dictionary dictionary = open();
    const store::Dictionary::Added added = dictionary.add(typed, definition);
    if (added.added) {
        m_out << "added " << added.entry.acronym << '\n';
        return Ok;
    }
    const store::Entry now = dictionary.append(added.entry, definition);
    m_out << "appended to " << shown(typed) << ": " << now.definition << '\n';
    return Ok;
}

int Tool::replace()
{
    const QString &typed = m_line.positional.at(0);
    const QString &definition = m_line.positional.at(1);
    if (!acceptable(typed, "acronym") || !acceptable(definition, "definition"))
        return Failed;
    store::Dictionary dictionary = open();
    const std::optional<store::Entry> entry = dictionary.find(typed);
    if (!entry)
        return fail(QStringLiteral("%1 is not in the dictionary; add it with orvex-db add").arg(shown(typed)));
    dictionary.replace(*entry, definition);
    m_out << "replaced the definition of " << shown(typed) << " (was: " << entry->definition << ")\n";
    return Ok;
}

int Tool::remove()
{
    const QString &typed = m_line.positional.at(0);
    if (!acceptable(typed, "acronym"))
        return Failed;
    store::Dictionary dictionary = open();
    const std::optional<store::Entry> entry = dictionary.find(typed);
    if (!entry)
        return fail(QStringLiteral("%1 is not in the dictionary").arg(shown(typed)));
    dictionary.remove(*entry);
    m_out << "deleted " << shown(typed) << ": " << entry->definition << '\n';
    return Ok;
}

int Tool::list()
{
    store::Dictionary dictionary = open();
    for (const QString &acronym : dictionary.acronyms(m_line.positional.value(0)))
        m_out << acronym << '\n';
    return Ok;
}

int Tool::search()
{
    store::Dictionary dictionary = open();
    const QList<store::Entry> found = dictionary.search(m_line.positional);
    for (const store::Entry &entry : found)
        m_out << store::trimSpaces(entry.acronym) << ": " << entry.definition << '\n';
    return found.isEmpty() ? Failed : Ok;
}

int Tool::run()
{
    try {
        if (m_line.command == QLatin1String("create"))
            return create();
        if (m_line.command == QLatin1String("copy"))
            return copy();
        if (m_line.command == QLatin1String("import"))
            return import();
        if (m_line.command == QLatin1String("export"))
            return exportTo();
        if (m_line.command == QLatin1String("stats"))
            return stats();
        if (m_line.command == QLatin1String("find"))
            return find();
        if (m_line.command == QLatin1String("add"))
            return add();
        if (m_line.command == QLatin1String("replace"))
            return replace();
        if (m_line.command == QLatin1String("delete"))
            return remove();
        if (m_line.command == QLatin1String("list"))
            return list();
        return search();
    } catch (const store::Error &error) {
        m_err << "orvex-db: " << error.location() << ": " << cause(error) << '\n';
        if (m_line.command == QLatin1String("import") && error.kind() == store::Error::Kind::Missing
            && !error.isFromServer() && QFileInfo(folderOf(error.location())).isDir())
            m_err << "Make a new dictionary first: orvex-db create " << error.location() << '\n';
        return Failed;
    } catch (const std::exception &error) {
        return fail(QString::fromStdString(error.what()));
    }
}

} // namespace

int runDbTool(const QStringList &arguments, QTextStream &out, QTextStream &err, const DbToolSetup &setup)
{
    const CommandLine line = parse(arguments);
    const Command *command = commandNamed(line.command);
    if (line.help || line.command == QLatin1String("help")) {
        if (command)
            out << "usage: orvex-db " << command->usage << "\n\n" << command->help;
        else
            out << help(setup.defaultDatabase);
        return Ok;
    }
    if (line.version) {
        out << "orvex-db " << setup.version << '\n';
        return Ok;
    }
    if (!line.problem.isEmpty() || !command || !fits(line)) {
        if (!line.problem.isEmpty())
            err << "orvex-db: " << line.problem << '\n';
        else if (!line.command.isEmpty() && !command)
            err << "orvex-db: unknown command " << line.command << '\n';
        err << (command ? QStringLiteral("usage: orvex-db %1\n").arg(QLatin1String(command->usage)) : usage())
            << "Try orvex-db --help for more.\n";
        return Usage;
    }
    return Tool(line, out, err, setup).run();
}

} // namespace tools
