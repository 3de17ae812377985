#include "tools/dbtool.h"

#include "messages/storefaults.h"
#include "store/copy.h"
#include "store/dictionary.h"
#include "store/engine.h"
#include "store/error.h"
#include "store/text.h"
#include "tools/exporter.h"
#include "tools/importer.h"
#include "tools/progressbar.h"
#include "tools/stats.h"
#include "tools/toolerror.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QTextStream>

#include <optional>

namespace tools {

namespace {

enum Exit { Ok = 0, Failed = 1, Usage = 2 };

// The options a command takes.
enum Option : unsigned {
    kNone = 0,
    kInto = 1u << 0,
    kFrom = 1u << 1,
    kDb = 1u << 2,
    kImportOptions = 1u << 3, // --strict and the column options
    kForce = 1u << 4,
    kListChanges = 1u << 5, // --since and --by
    kKeep = 1u << 6,
    kStart = 1u << 7,
};
constexpr int kAny = -1; // no limit to the positional arguments

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
    std::optional<QString> since;
    std::optional<QString> by;
    std::optional<QString> keep;
    bool start = false;
    bool strict = false;
    bool force = false;
    bool help = false;
    bool version = false;
    unsigned options = kNone; // those given
    QString problem;
};

class Tool
{
public:
    Tool(const CommandLine &line, QTextStream &out, QTextStream &err, const DbToolSetup &setup)
        : m_line(line)
        , m_out(out)
        , m_err(err)
        , m_setup(setup)
    {}

    // Runs the command, saying on err why it failed.
    int run(int (Tool::*command)());

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
    int history();
    int undo();

private:
    // The dictionary named on the command line, or the program's own.
    store::Location dictionary() const;
    // The dictionary opened for the daily commands.
    store::Dictionary open() const { return store::Dictionary(dictionary()); }
    // Refuses a blank acronym or definition.
    static void requireText(const QString &typed, const char *what);

    const CommandLine &m_line;
    QTextStream &m_out;
    QTextStream &m_err;
    const DbToolSetup &m_setup;
};

// Each command once: its name, its usage and help, the positional arguments
// and options it takes, and what runs it.
struct Command
{
    const char *name;
    const char *usage;
    const char *help;
    int fewest;
    int most; // or kAny
    unsigned options;
    int (Tool::*run)();
};

const Command kCommands[] = {
    {"create", "create FILE",
     "  Makes a new, empty acronym dictionary. Never overwrites a file. On a server\n"
     "  (a postgresql:// URI or a connection string) it makes table acronyms and\n"
     "  prints the grants for a role that looks up and one that also adds.\n",
     1, 1, kNone, &Tool::create},
    {"copy", "copy SOURCE TARGET",
     "  Copies every record of SOURCE, in order, into TARGET, which must hold none:\n"
     "  a file to a server or back. A missing target file is made.\n",
     2, 2, kNone, &Tool::copy},
    {"import",
     "import FILE|- [--into DB] [--strict] [--acronym-column NAME]\n"
     "                [--definition-column NAME] [--with-columns NAME,...]",
     "  Adds the acronyms of FILE (- reads standard input) to the dictionary DB in\n"
     "  one transaction. FILE holds ACRONYM<TAB>definition lines (lines starting\n"
     "  with # or $ are comments), or CSV whose header row names an acronym column\n"
     "  (Acronym, Abbreviation, Term or Title) and a definition column (Definition,\n"
     "  Meaning, Description or Expansion), in any letter case; other columns are\n"
     "  ignored. CSV when FILE ends in .csv, or when most of its first lines that\n"
     "  are not comments have commas or semicolons and no tab (and the name does\n"
     "  not end in .tsv). Text is UTF-8 (with or without\n"
     "  a byte order mark) or UTF-16 with one. Acronyms are upper-cased. One\n"
     "  already stored gets the meaning appended after \" - \", unless the stored\n"
     "  definition holds it already: importing a file twice changes nothing the\n"
     "  second time. Bad lines are skipped and listed.\n"
     "    --strict                   refuse the whole file at its first bad line\n"
     "    --acronym-column NAME      take the acronym from CSV column NAME\n"
     "    --definition-column NAME   take the definition from CSV column NAME\n"
     "    --with-columns A,B         add these CSV columns: \"meaning (a; b)\"\n",
     1, 1, kInto | kDb | kImportOptions, &Tool::import},
    {"export", "export [--from DB] [--force] [FILE|-]",
     "  Writes the dictionary to FILE (or - , standard output, the default) as\n"
     "  lines that import reads back into the same table; CSV when FILE ends in\n"
     "  .csv. The file is written aside and moved into place when complete. An\n"
     "  existing file is replaced only with --force, and never when it is a\n"
     "  dictionary. Pipes and devices are written into. In CSV a cell starting\n"
     "  with = + - or @ gets an apostrophe in front, so that spreadsheets show it\n"
     "  as text; import takes it off again.\n",
     0, 1, kFrom | kDb | kForce, &Tool::exportTo},
    {"stats", "stats [--from DB]", "  Counts the records and acronyms of the dictionary.\n", 0, 0, kFrom | kDb,
     &Tool::stats},
    {"find", "find ACRONYM... [--db DB]",
     "  Prints the definition of each acronym as the program's window finds it:\n"
     "  upper-cased, compared after trimming spaces, the first record in the\n"
     "  table's order. With several acronyms each line reads \"ACRONYM: definition\".\n"
     "  Exit status 1 when one is missing (named on standard error, with up to\n"
     "  five stored acronyms it may have meant).\n",
     1, kAny, kDb, &Tool::find},
    {"add", "add ACRONYM DEFINITION [--db DB]",
     "  Adds the acronym; one stored already gets the definition appended after\n"
     "  \" - \", as the window's Add does.\n",
     2, 2, kDb, &Tool::add},
    {"replace", "replace ACRONYM DEFINITION [--db DB]", "  Replaces the definition of the acronym as find finds it.\n",
     2, 2, kDb, &Tool::replace},
    {"delete", "delete ACRONYM [--db DB]", "  Deletes the record find finds and prints what it held.\n", 1, 1, kDb,
     &Tool::remove},
    {"list", "list [PREFIX] [--db DB]", "  Prints the stored acronyms (each once, sorted) that start with PREFIX.\n", 0,
     1, kDb, &Tool::list},
    {"search", "search WORD... [--db DB]",
     "  Prints \"ACRONYM: definition\" for each record whose definition holds every\n"
     "  word, letter case aside, in the table's order. Exit status 1 when none does.\n",
     1, kAny, kDb, &Tool::search},
    {"history", "history [ACRONYM] [--since DATE] [--by WHO] [--keep DAYS] [--start] [--db DB]",
     "  Prints the changes kept in the dictionary's history, newest first, each with\n"
     "  its number, time, who made it (the user on a file, the role on a server),\n"
     "  what was done and the definition before and after: of ACRONYM only, since\n"
     "  DATE (2026-01-31, or 2026-01-31T14:00), or by WHO only. Every change is\n"
     "  kept, by this program or any other; a lookup is none.\n"
     "    --keep DAYS   forgets the changes older than DAYS days instead\n"
     "    --start       starts keeping a history in a dictionary made without one\n"
     "                  (and, on a server, prints the grants for it)\n",
     0, 1, kDb | kListChanges | kKeep | kStart, &Tool::history},
    {"undo", "undo N [--force] [--db DB]",
     "  Puts the record of change N (see history) back as it was before it, as a new\n"
     "  change: a deleted record comes back in its place in the table's order. When\n"
     "  the record has changed since, it says so and changes nothing, unless\n"
     "  --force.\n",
     1, 1, kDb | kForce, &Tool::undo},
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

CommandLine parse(const QStringList &arguments)
{
    CommandLine line;
    bool options = true;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &word = arguments.at(i);
        auto value = [&](std::optional<QString> &target, Option option) {
            line.options |= option;
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
            value(line.into, kInto);
        } else if (word == QLatin1String("--from")) {
            value(line.from, kFrom);
        } else if (word == QLatin1String("--db")) {
            value(line.db, kDb);
        } else if (word == QLatin1String("--acronym-column")) {
            value(line.acronymColumn, kImportOptions);
        } else if (word == QLatin1String("--definition-column")) {
            value(line.definitionColumn, kImportOptions);
        } else if (word == QLatin1String("--with-columns")) {
            value(line.withColumns, kImportOptions);
        } else if (word == QLatin1String("--since")) {
            value(line.since, kListChanges);
        } else if (word == QLatin1String("--by")) {
            value(line.by, kListChanges);
        } else if (word == QLatin1String("--keep")) {
            value(line.keep, kKeep);
        } else if (word == QLatin1String("--start")) {
            line.start = true;
            line.options |= kStart;
        } else if (word == QLatin1String("--strict")) {
            line.strict = true;
            line.options |= kImportOptions;
        } else if (word == QLatin1String("--force")) {
            line.force = true;
            line.options |= kForce;
        } else if (line.problem.isEmpty()) {
            line.problem = QStringLiteral("unknown option %1").arg(word);
        }
    }
    return line;
}

// Whether the command takes what the line gives it.
bool fits(const CommandLine &line, const Command &command)
{
    const qsizetype count = line.positional.size();
    // One way to name the dictionary at most.
    const int named = int(line.into.has_value()) + int(line.from.has_value()) + int(line.db.has_value());
    return named <= 1 && (line.options & ~command.options) == 0 && count >= command.fewest
           && (command.most == kAny || count <= command.most);
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

store::Location locationNamed(const QString &name)
{
    if (const QString why = notAFileName(name); !why.isEmpty())
        throw ToolError(why.toStdString());
    return store::Location::parse(name);
}

// The key as messages show it: upper-cased, without the blanks around it.
QString shown(const QString &typed)
{
    return store::trimSpaces(store::keyOf(typed));
}

store::Location Tool::dictionary() const
{
    if (const std::optional<QString> named = m_line.db ? m_line.db : m_line.into ? m_line.into : m_line.from)
        return locationNamed(*named);
    if (!m_setup.defaultDatabase)
        throw ToolError("no dictionary is named (--db DB names one)");
    return *m_setup.defaultDatabase;
}

void Tool::requireText(const QString &typed, const char *what)
{
    if (store::isBlank(typed))
        throw ToolError(QStringLiteral("the %1 is blank").arg(QLatin1String(what)).toStdString());
}

int Tool::create()
{
    const std::unique_ptr<store::Engine> engine = store::engineFor(locationNamed(m_line.positional.at(0)));
    m_out << "created " << engine->create() << '\n';
    const QString grants = engine->grants(QStringLiteral("orvex_reader"), QStringLiteral("orvex_writer"));
    if (!grants.isEmpty())
        m_out << "-- Run as the table's owner, with the role names of your choice:\n" << grants;
    return Ok;
}

int Tool::copy()
{
    const store::Location from = store::Location::parse(m_line.positional.at(0));
    const store::Location to = store::Location::parse(m_line.positional.at(1));
    const store::CopyReport report = store::copyDictionary(from, to);
    for (const QString &changed : report.changed)
        m_err << "orvex-db: changed " << changed << '\n';
    m_out << "copied " << report.copied << " records from " << from.display() << " to " << to.display() << '\n';
    return Ok;
}

int Tool::import()
{
    const QString input = m_line.positional.at(0);
    const store::Location db = dictionary();
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
            throw ToolError(QStringLiteral("standard input: %1").arg(file.errorString()).toStdString());
        name = QStringLiteral("standard input");
    } else if (const QString problem = openInputFile(file, input); !problem.isEmpty()) {
        throw ToolError(problem.toStdString());
    }

    QTemporaryFile spool;
    QIODevice &whole = wholeInput(file, spool, name);
    ImportReport report;
    try {
        report = importRecords(db, whole, name, options);
    } catch (...) {
        if (bar)
            bar->finish();
        throw;
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
          << db.display() << ")\n";
    if (report.skipped == report.records)
        throw ToolError(QStringLiteral("%1: no line could be imported; nothing was written").arg(name).toStdString());
    return Ok;
}

int Tool::exportTo()
{
    const QString target = m_line.positional.value(0, QStringLiteral("-"));
    const store::Location db = dictionary();
    if (outputFormatFor(target) == OutputFormat::Tsv) {
        if (const qint64 left = recordsTheFormatCannotCarry(db, OutputFormat::Tsv))
            m_err << "orvex-db: " << counted(left, "record", "records")
                  << " cannot be written as tab-separated lines and will be left out (listed below); a .csv file "
                     "keeps line breaks and tabs, orvex-db copy keeps everything\n";
    }
    const ExportReport report = tools::exportTo(db, target, m_line.force, m_out);
    for (const QString &left : report.left)
        m_err << "orvex-db: left out " << left << '\n';
    // Into a stream the count would land among the records.
    if (report.toFile)
        m_out << "exported " << counted(report.written, "record", "records") << " to " << target << '\n';
    if (!report.left.isEmpty())
        throw ToolError(QStringLiteral("%1 not exported")
                            .arg(counted(report.left.size(), "record was", "records were"))
                            .toStdString());
    return Ok;
}

// The history's size, for stats.
QString historyLine(const store::HistorySize &size)
{
    if (!size.kept)
        return QStringLiteral("none kept (orvex-db history --start keeps one)");
    const QString bytes = counted(size.bytes, "byte", "bytes");
    if (!size.readable)
        return QStringLiteral("%1 (this role may not read it)").arg(bytes);
    if (size.changes == 0)
        return QStringLiteral("no changes yet, %1").arg(bytes);
    return QStringLiteral("%1 since %2, %3")
        .arg(counted(size.changes, "change", "changes"),
             size.oldest.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")), bytes);
}

int Tool::stats()
{
    const store::Location db = dictionary();
    const DictionaryStats stats = dictionaryStats(db);
    m_out << "dictionary:  " << db.display() << '\n';
    if (stats.fileSize >= 0)
        m_out << "file size:   " << counted(stats.fileSize, "byte", "bytes") << '\n';
    m_out << "history:     " << historyLine(stats.history) << '\n';
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

int Tool::find()
{
    store::Dictionary dictionary = open();
    const bool several = m_line.positional.size() > 1;
    QStringList missing;
    for (const QString &typed : m_line.positional) {
        requireText(typed, "acronym");
        if (const std::optional<store::Entry> entry = dictionary.find(typed)) {
            if (several)
                m_out << shown(typed) << ": ";
            m_out << entry->definition << '\n';
        } else {
            missing << shown(typed);
        }
    }
    for (const QString &key : missing) {
        m_err << "orvex-db: " << key << " is not in the dictionary\n";
        for (const QString &suggestion : dictionary.suggestions(key))
            m_err << "orvex-db: did you mean " << suggestion << "?\n";
    }
    return missing.isEmpty() ? Ok : Failed;
}

int Tool::add()
{
    const QString &typed = m_line.positional.at(0);
    const QString &definition = m_line.positional.at(1);
    requireText(typed, "acronym");
    requireText(definition, "definition");
    store::Dictionary dictionary = open();
    const store::Added added = dictionary.add(typed, definition);
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
    requireText(typed, "acronym");
    requireText(definition, "definition");
    store::Dictionary dictionary = open();
    const std::optional<store::Entry> entry = dictionary.find(typed);
    if (!entry)
        throw ToolError(
            QStringLiteral("%1 is not in the dictionary; add it with orvex-db add").arg(shown(typed)).toStdString());
    dictionary.replace(*entry, definition);
    m_out << "replaced the definition of " << shown(typed) << " (was: " << entry->definition << ")\n";
    return Ok;
}

int Tool::remove()
{
    const QString &typed = m_line.positional.at(0);
    requireText(typed, "acronym");
    store::Dictionary dictionary = open();
    const std::optional<store::Entry> entry = dictionary.find(typed);
    if (!entry)
        throw ToolError(QStringLiteral("%1 is not in the dictionary").arg(shown(typed)).toStdString());
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

// A change as history prints it: a line of its own, then the definition
// before and after.
void printChange(QTextStream &out, const store::Change &change)
{
    const auto acronymOf = [](const store::RecordState &state) {
        return state.acronym ? store::trimSpaces(*state.acronym) : QStringLiteral("(no acronym)");
    };
    const bool both = change.before.acronym && change.after.acronym;
    QString acronym = acronymOf(change.operation == store::Operation::Deleted ? change.before : change.after);
    if (both && *change.before.acronym != *change.after.acronym)
        acronym = acronymOf(change.before) + QLatin1String(" -> ") + acronymOf(change.after);
    out << '#' << change.number << "  " << change.at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
        << "  " << (change.who.isEmpty() ? QStringLiteral("(another program)") : change.who) << "  "
        << store::operationName(change.operation) << ' ' << acronym << " (record " << change.record;
    if (change.undoes)
        out << ", undoing #" << change.undoes;
    out << ")\n";
    const auto definition = [&](const char *label, const store::RecordState &state) {
        out << "    " << label << state.definition.value_or(QStringLiteral("(no definition)")) << '\n';
    };
    if (change.operation != store::Operation::Added)
        definition("before: ", change.before);
    if (change.operation != store::Operation::Deleted)
        definition("after:  ", change.after);
}

// A date, or a date and time, of this machine's clock unless it says
// another zone.
QDateTime dateNamed(const QString &text)
{
    QString iso = store::trimSpaces(text);
    if (iso.size() > 10 && iso.at(10) == QLatin1Char(' '))
        iso[10] = QLatin1Char('T');
    const QDateTime at = QDateTime::fromString(iso, Qt::ISODate);
    if (!at.isValid())
        throw ToolError(QStringLiteral("--since takes a date such as 2026-01-31 or 2026-01-31T14:00, not %1")
                            .arg(text)
                            .toStdString());
    return at;
}

int Tool::history()
{
    const store::Location db = dictionary();
    const std::unique_ptr<store::Engine> engine = store::engineFor(db);
    const bool listing = !m_line.positional.isEmpty() || (m_line.options & kListChanges);
    if (int(m_line.start) + int(m_line.keep.has_value()) + int(listing) > 1)
        throw ToolError("history takes --start, --keep DAYS, or what to list: one at a time");
    if (m_line.start) {
        engine->startHistory();
        m_out << "started keeping the history of changes of " << db.display() << '\n';
        const QString grants = engine->grants(QStringLiteral("orvex_reader"), QStringLiteral("orvex_writer"));
        if (!grants.isEmpty())
            m_out << "-- Run as the table's owner, with the role names of your choice:\n" << grants;
        return Ok;
    }
    if (m_line.keep) {
        bool number = false;
        const int days = m_line.keep->toInt(&number);
        if (!number || days < 0)
            throw ToolError(
                QStringLiteral("--keep takes a number of days, such as 90, not %1").arg(*m_line.keep).toStdString());
        const qint64 pruned = engine->pruneHistory(days);
        m_out << "forgot " << counted(pruned, "change", "changes") << " older than " << counted(days, "day", "days")
              << " (" << db.display() << ")\n";
        return Ok;
    }
    store::HistoryFilter filter;
    if (!m_line.positional.isEmpty()) {
        requireText(m_line.positional.at(0), "acronym");
        filter.key = store::keyOf(m_line.positional.at(0));
    }
    if (m_line.since)
        filter.since = dateNamed(*m_line.since);
    filter.by = m_line.by.value_or(QString());
    for (const store::Change &change : engine->history(filter))
        printChange(m_out, change);
    return Ok;
}

int Tool::undo()
{
    QString given = m_line.positional.at(0);
    if (given.startsWith(QLatin1Char('#')))
        given.remove(0, 1);
    bool isNumber = false;
    const qint64 number = given.toLongLong(&isNumber);
    if (!isNumber || number <= 0)
        throw ToolError(QStringLiteral("undo takes the number of a change as orvex-db history shows it, not %1")
                            .arg(m_line.positional.at(0))
                            .toStdString());
    const store::Undone undone = store::engineFor(dictionary())->undo(number, m_line.force);
    const store::Change &change = undone.change;
    const store::RecordState &before = change.before;
    const QString acronym = store::trimSpaces(before.acronym.value_or(change.after.acronym.value_or(QString())));
    if (undone.number == 0) {
        m_out << "nothing to undo: record " << change.record << " is as it was before #" << number << " already\n";
        return Ok;
    }
    m_out << "undid #" << number << " (" << store::operationName(change.operation) << ' ' << acronym << ") with #"
          << undone.number << ": ";
    switch (change.operation) {
    case store::Operation::Added:
        m_out << acronym << " is deleted\n";
        break;
    case store::Operation::Appended:
    case store::Operation::Replaced:
        m_out << acronym << " is again: " << before.definition.value_or(QStringLiteral("(no definition)")) << '\n';
        break;
    case store::Operation::Deleted:
        m_out << acronym
              << (undone.moved ? " is back, at the end of the table's order, as its place is taken\n"
                               : " is back in its place\n");
        break;
    }
    return Ok;
}

int Tool::run(int (Tool::*command)())
{
    try {
        return (this->*command)();
    } catch (const store::Error &error) {
        m_err << "orvex-db: " << error.location() << ": "
              << messages::storeFaultReason(error, messages::Wording::Terminal) << '\n';
        const bool writesMany = command == &Tool::import || command == &Tool::copy;
        // One transaction: unless the commit itself went unanswered, none of it stayed.
        if (writesMany && error.kind() != store::Error::Kind::WriteUnknown)
            m_err << "orvex-db: nothing was " << (command == &Tool::import ? "imported" : "copied") << '\n';
        if (command == &Tool::import) {
            if (const QString remedy = messages::storeFaultRemedy(error); !remedy.isEmpty())
                m_err << remedy << '\n';
        }
    } catch (const std::exception &error) {
        m_err << "orvex-db: " << QString::fromStdString(error.what()) << '\n';
    }
    return Failed;
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
            out << help(setup.defaultDatabase ? setup.defaultDatabase->display() : QStringLiteral("(none)"));
        return Ok;
    }
    if (line.version) {
        out << "orvex-db " << setup.version << '\n';
        return Ok;
    }
    if (!line.problem.isEmpty() || !command || !fits(line, *command)) {
        if (!line.problem.isEmpty())
            err << "orvex-db: " << line.problem << '\n';
        else if (!line.command.isEmpty() && !command)
            err << "orvex-db: unknown command " << line.command << '\n';
        err << (command ? QStringLiteral("usage: orvex-db %1\n").arg(QLatin1String(command->usage)) : usage())
            << "Try orvex-db --help for more.\n";
        return Usage;
    }
    return Tool(line, out, err, setup).run(command->run);
}

} // namespace tools
