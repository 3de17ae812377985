#include "messages/storefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace messages {

namespace {

using Kind = store::Error::Kind;
using Place = store::Error::Place;

enum class Where { Any, File, Server };

// One kind of fault in both wordings. A terminal wording of nullptr gives
// the engine's own words, which name the cause well enough on a terminal
// (a server's words for a refused login or a missing database above all).
// %1 stands for the field a table lacks, or for the engine's words.
struct Words
{
    Kind kind;
    Where where;
    const char *window;
    const char *terminal;
};

const Words kWords[] = {
    {Kind::Missing, Where::File, "The file does not exist.", "no such file"},
    {Kind::Missing, Where::Server, "The server has no database of that name.", nullptr},
    {Kind::Exists, Where::File, "The file already exists.", "the file already exists; choose another name"},
    {Kind::Exists, Where::Server, "The server's database holds a dictionary already.", nullptr},
    {Kind::NotEmpty, Where::Any, "The dictionary holds records already; a copy goes only into an empty one.",
     "the dictionary holds records already; copy into a new file or an empty table"},
    {Kind::Folder, Where::Any, "There is a folder of that name, not a file.",
     "that is a folder, not a dictionary file"},
    {Kind::Replaced, Where::Any, "Another file took the dictionary's place meanwhile. Nothing was changed.", nullptr},
    {Kind::NoPermission, Where::File, "The program has no permission to use the file.",
     "no permission to use the file"},
    {Kind::NoPermission, Where::Server,
     "The server refused the user name or password, or this user may not use the dictionary.", nullptr},
    {Kind::NotADictionary, Where::File, "The file is not an acronym database.",
     "not an acronym dictionary (not an SQLite database)"},
    {Kind::NotADictionary, Where::Server, "The server's database cannot hold the dictionary: it must use UTF-8.",
     nullptr},
    {Kind::NoTable, Where::File, "The file has no table Acronyms.", "not an acronym dictionary (no table Acronyms)"},
    {Kind::NoTable, Where::Server, "The server's database has no table acronyms (orvex-db create makes it).",
     "the database has no table acronyms; orvex-db create makes it"},
    {Kind::NoField, Where::File, "The table Acronyms lacks a field (%1).", "the table Acronyms lacks a field (%1)"},
    {Kind::NoField, Where::Server, "The table acronyms lacks a field (%1).", nullptr},
    {Kind::Damaged, Where::File, "The database file is damaged.", "the dictionary file is damaged"},
    {Kind::Damaged, Where::Server, "The server found its data damaged.", nullptr},
    {Kind::Busy, Where::File, "The database is in use by another program. Try again in a moment.",
     "the dictionary is in use by another program; try again in a moment"},
    {Kind::Busy, Where::Server, "The database is in use by another program. Try again in a moment.", nullptr},
    {Kind::ReadOnly, Where::Any,
     "The dictionary is read-only, so nothing can be added or changed. Looking up acronyms still works.",
     "the dictionary is read-only"},
    {Kind::ReadOnlyFolder, Where::Any,
     "The file or its folder cannot be written to, so the change could not be saved (saving needs a journal "
     "file beside it).",
     "the file's folder cannot be written to (a change needs a journal beside it)"},
    {Kind::Unfinished, Where::Any,
     "The dictionary holds an unfinished change by another program, which someone who can write the dictionary "
     "must open once.",
     nullptr},
    {Kind::Full, Where::File, "The disk is full.", "the disk is full"},
    {Kind::Full, Where::Server, "The server's disk is full.", nullptr},
    {Kind::Io, Where::File, "The file could not be read or written.", "the file could not be read or written (%1)"},
    {Kind::Io, Where::Server, "The server could not read or write its files.", nullptr},
    {Kind::TooBig, Where::File, "The text is too long to be stored.", "a text is too long to be stored"},
    {Kind::TooBig, Where::Server, "The text is too long to be stored.", nullptr},
    {Kind::RecordGone, Where::Any, "The acronym was removed by another program meanwhile. Nothing was changed.",
     nullptr},
    {Kind::TextChanged, Where::Any,
     "The dictionary's table would store the text as something else, so nothing was stored.", nullptr},
    {Kind::Unreachable, Where::Any, "The dictionary server cannot be reached.", nullptr},
    {Kind::BadConnectionString, Where::Any,
     "The connection string that names the dictionary server cannot be read, so no server was asked.", nullptr},
    {Kind::NoAnswer, Where::Any, "The dictionary server did not answer in time. Nothing was changed.", nullptr},
    {Kind::ConnectionLost, Where::Any, "The connection to the dictionary server was lost. Nothing was changed.",
     nullptr},
    {Kind::WriteUnknown, Where::Any,
     "The connection to the dictionary server was lost while the change was being saved, and whether it was "
     "saved is not known. Look the acronym up again.",
     "%1; look the acronym up again"},
    {Kind::NoHistory, Where::Any, "The dictionary keeps no history of changes.",
     "the dictionary keeps no history of changes; orvex-db history --start starts one"},
    {Kind::HistoryKept, Where::Any, "The dictionary keeps a history of changes already.",
     "the dictionary keeps a history of changes already"},
    {Kind::NoSuchChange, Where::Any, "The history holds no change of that number.", nullptr},
    {Kind::LaterChanges, Where::Any,
     "The record has changed since, so undoing the change would undo the later changes too.",
     "%1; orvex-db undo --force puts the record back all the same"},
    {Kind::Other, Where::Any, "The database engine reported: %1.", nullptr},
};

// For a web page's reader: what is wrong, in a sentence, and never where.
const struct
{
    Kind kind;
    Where where;
    const char *web;
} kWebWords[] = {
    {Kind::Missing, Where::File, "The dictionary file is missing."},
    {Kind::Missing, Where::Server, "The dictionary's database is missing."},
    {Kind::Folder, Where::Any, "The dictionary file is missing."},
    {Kind::Replaced, Where::Any, "The dictionary file was replaced while it was being read."},
    {Kind::NoPermission, Where::Any, "This server may not read the dictionary."},
    {Kind::NotADictionary, Where::Any, "What this server was given to read is not an acronym dictionary."},
    {Kind::NoTable, Where::Any, "What this server was given to read is not an acronym dictionary."},
    {Kind::NoField, Where::Any, "What this server was given to read is not an acronym dictionary."},
    {Kind::Damaged, Where::Any, "The dictionary is damaged."},
    {Kind::Busy, Where::Any, "The dictionary is in use by another program."},
    {Kind::Unfinished, Where::Any, "The dictionary holds another program's unfinished change."},
    {Kind::Io, Where::Any, "The dictionary could not be read."},
    {Kind::Unreachable, Where::Any, "The dictionary server cannot be reached."},
    {Kind::BadConnectionString, Where::Any, "This server's setting that names the dictionary server cannot be read."},
    {Kind::NoAnswer, Where::Any, "The dictionary server did not answer in time."},
    {Kind::ConnectionLost, Where::Any, "The connection to the dictionary server was lost."},
};

QString webReason(const store::Error &error)
{
    const Where where = error.place() == Place::Server ? Where::Server : Where::File;
    for (const auto &words : kWebWords) {
        if (words.kind == error.kind() && (words.where == Where::Any || words.where == where))
            return QString::fromUtf8(words.web);
    }
    return QStringLiteral("The dictionary cannot be read.");
}

const Words *wordsFor(const store::Error &error)
{
    const Where where = error.place() == Place::Server ? Where::Server : Where::File;
    for (const Words &words : kWords) {
        if (words.kind == error.kind() && (words.where == Where::Any || words.where == where))
            return &words;
    }
    return nullptr;
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

// What %1 stands for: the field a table lacks, or the engine's words.
QString detail(const store::Error &error, Wording wording)
{
    if (error.kind() != Kind::NoField || wording == Wording::Terminal)
        return error.engineMessage();
    // SQLite says "no such column: Definition", a server 'column "definition" ...'.
    return error.place() == Place::Server ? error.engineMessage().section(QLatin1Char('"'), 1, 1)
                                          : error.engineMessage().section(QLatin1Char(':'), -1).trimmed();
}

// Where the state of the file tells more than the engine's kind of fault.
QString fileReason(const store::Error &error, Wording wording)
{
    const QString &path = error.location();
    if (wording == Wording::Window) {
        if (error.kind() == Kind::NoPermission && QFileInfo::exists(path) && !QFileInfo(path).isReadable())
            return QStringLiteral("The program has no permission to read the file.");
        return {};
    }
    if (error.kind() == Kind::Missing && !QFileInfo(folderOf(path)).isDir())
        return QStringLiteral("the folder %1 does not exist").arg(QDir::toNativeSeparators(folderOf(path)));
    if ((error.kind() == Kind::ReadOnly || error.kind() == Kind::ReadOnlyFolder) && onReadOnlyFileSystem(path))
        return QStringLiteral("the file system is read-only");
    return {};
}

} // namespace

QString storeFaultReason(const store::Error &error, Wording wording)
{
    if (wording == Wording::Web)
        return webReason(error);
    if (error.place() == Place::File) {
        if (QString reason = fileReason(error, wording); !reason.isEmpty())
            return reason;
    }
    const Words *words = wordsFor(error);
    const char *text = !words ? nullptr : wording == Wording::Window ? words->window : words->terminal;
    if (!text) {
        if (wording == Wording::Terminal)
            return error.engineMessage();
        text = "The database engine reported: %1.";
    }
    QString reason = QString::fromUtf8(text);
    return reason.contains(QLatin1String("%1")) ? reason.arg(detail(error, wording)) : reason;
}

QString storeFaultPlace(const store::Error &error)
{
    return error.place() == Place::File ? QDir::toNativeSeparators(error.location()) : error.location();
}

QString storeFaultRemedy(const store::Error &error)
{
    if (error.place() == Place::File && error.kind() == Kind::Missing && QFileInfo(folderOf(error.location())).isDir())
        return QStringLiteral("Make a new dictionary first: orvex-db create %1").arg(error.location());
    return {};
}

} // namespace messages
