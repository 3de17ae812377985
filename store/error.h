#pragma once

// The store's one error type. It says what kind of fault stopped an
// operation, where (a file path, or a server named without its password, and
// which of the two it is: a missing file and a server without that database
// are told differently) and the engine's own words. The sentences users read
// come from the catalogue in messages/.

#include <QString>

#include <stdexcept>

namespace store {

class Error : public std::runtime_error
{
public:
    enum class Kind {
        Missing, // no dictionary file there (or its folder is missing)
        Exists, // a new dictionary was asked for where a file is already
        NotEmpty, // a copy was asked for into a dictionary that holds records
        Folder, // a folder stands where the file should be
        Replaced, // another file took the dictionary's place while it was open
        NoPermission, // the file or server refused us
        NotADictionary, // not a database the engine can open
        NoTable, // no table Acronyms
        NoField, // table Acronyms lacks a field
        Damaged, // the engine found the file damaged
        Busy, // another program holds the dictionary
        ReadOnly, // nothing can be added or changed
        ReadOnlyFolder, // the folder cannot take the journal a write needs
        Unfinished, // another program's interrupted change that we cannot roll back
        Full, // the disk (or the server's) is full
        Io, // reading or writing failed
        TooBig, // the text is too long to store
        RecordGone, // the entry was removed by another program meanwhile
        TextChanged, // the table would store typed text as something else
        Unreachable, // the server cannot be reached
        BadConnectionString, // the server's connection string cannot be read (or nym2.server itself)
        ConnectionLost, // the server went away during the operation
        NoAnswer, // the server did not answer in time, nor heard the cancel (stalled)
        WriteUnknown, // the server went away as a change was committed: it may or may not be stored
        NoHistory, // the dictionary keeps no history of changes
        HistoryKept, // a history was to be started where one is kept already
        NoSuchChange, // the history holds no change of that number
        LaterChanges, // an undo would undo later changes too: see engineMessage()
        Other, // anything else: see engineMessage()
    };

    // What kind of place the dictionary is, as its user knows it.
    enum class Place {
        File, // a file on this machine
        Server, // a database on a server
    };

    // A fault of a dictionary file.
    Error(Kind kind, QString location, QString engineMessage, int engineCode = 0);
    // A fault of a dictionary on a database server, for which a file's
    // words (a file missing, a folder read-only) would be wrong.
    static Error fromServer(Kind kind, QString location, QString engineMessage);

    Kind kind() const { return m_kind; }
    // The file's path, or the server as host, port and database.
    const QString &location() const { return m_location; }
    // Kept for the file engine's callers and tests.
    const QString &path() const { return m_location; }
    const QString &engineMessage() const { return m_engineMessage; }
    // The engine's own result code: SQLite's primary code (0 when none).
    int code() const { return m_engineCode & 0xff; }
    int extendedCode() const { return m_engineCode; }
    Place place() const { return m_place; }
    // The same fault with what it concerns in front of the engine's words:
    // "record 7 (ABC): ...".
    Error about(const QString &what) const;

private:
    Kind m_kind;
    QString m_location;
    QString m_engineMessage;
    int m_engineCode = 0;
    Place m_place = Place::File;
};

} // namespace store
