#include "ui/storeerror.h"

#include <QDir>
#include <QFileInfo>

namespace ui {

namespace {

// Where a server's fault needs other words than a file's; "" where the
// file's words fit both.
QString serverReason(const store::Error &error)
{
    using Kind = store::Error::Kind;
    switch (error.kind()) {
    case Kind::Missing:
        return QStringLiteral("The server has no database of that name.");
    case Kind::Exists:
        return QStringLiteral("The server's database holds a dictionary already.");
    case Kind::NoPermission:
        return QStringLiteral("The server refused the user name or password, or this user may not use the "
                              "dictionary.");
    case Kind::NotADictionary:
        return QStringLiteral("The server's database cannot hold the dictionary: it must use UTF-8.");
    case Kind::NoTable:
        return QStringLiteral("The server's database has no table acronyms (orvex-db create makes it).");
    case Kind::NoField:
        return QStringLiteral("The table acronyms lacks a field (%1).")
            .arg(error.engineMessage().section(QLatin1Char('"'), 1, 1));
    case Kind::Damaged:
        return QStringLiteral("The server found its data damaged.");
    case Kind::Full:
        return QStringLiteral("The server's disk is full.");
    case Kind::Io:
        return QStringLiteral("The server could not read or write its files.");
    default:
        return {};
    }
}

} // namespace

QString storeErrorReason(const store::Error &error)
{
    using Kind = store::Error::Kind;
    if (error.isFromServer()) {
        if (QString reason = serverReason(error); !reason.isEmpty())
            return reason;
    }
    switch (error.kind()) {
    case Kind::Missing:
        return QStringLiteral("The file does not exist.");
    case Kind::Exists:
        return QStringLiteral("The file already exists.");
    case Kind::Folder:
        return QStringLiteral("There is a folder of that name, not a file.");
    case Kind::Replaced:
        return QStringLiteral("Another file took the dictionary's place meanwhile. Nothing was changed.");
    case Kind::NoPermission:
        return QFileInfo::exists(error.location()) && !QFileInfo(error.location()).isReadable()
                   ? QStringLiteral("The program has no permission to read the file.")
                   : QStringLiteral("The program has no permission to use the file.");
    case Kind::NotADictionary:
        return QStringLiteral("The file is not an acronym database.");
    case Kind::NoTable:
        return QStringLiteral("The file has no table Acronyms.");
    case Kind::NoField:
        return QStringLiteral("The table Acronyms lacks a field (%1).")
            .arg(error.engineMessage().section(QLatin1Char(':'), -1).trimmed());
    case Kind::Damaged:
        return QStringLiteral("The database file is damaged.");
    case Kind::Busy:
        return QStringLiteral("The database is in use by another program. Try again in a moment.");
    case Kind::ReadOnlyFolder:
        return QStringLiteral("The file or its folder cannot be written to, so the change "
                              "could not be saved (saving needs a journal file beside it).");
    case Kind::ReadOnly:
        return QStringLiteral("The dictionary is read-only, so nothing can be added or changed. "
                              "Looking up acronyms still works.");
    case Kind::Unfinished:
        return QStringLiteral("The dictionary holds an unfinished change by another program, which "
                              "someone who can write the dictionary must open once.");
    case Kind::Full:
        return QStringLiteral("The disk is full.");
    case Kind::Io:
        return QStringLiteral("The file could not be read or written.");
    case Kind::TooBig:
        return QStringLiteral("The text is too long to be stored.");
    case Kind::RecordGone:
        return QStringLiteral("The acronym was removed by another program meanwhile. Nothing was changed.");
    case Kind::TextChanged:
        return QStringLiteral("The dictionary's table would store the text as something else, so "
                              "nothing was stored.");
    case Kind::Unreachable:
        return QStringLiteral("The dictionary server cannot be reached.");
    case Kind::ConnectionLost:
        return QStringLiteral("The connection to the dictionary server was lost. Nothing was changed.");
    case Kind::WriteUnknown:
        return QStringLiteral("The connection to the dictionary server was lost while the change was being "
                              "saved, and whether it was saved is not known. Look the acronym up again.");
    case Kind::Other:
        break;
    }
    return QStringLiteral("The database engine reported: %1.").arg(error.engineMessage());
}

QString storeErrorText(const store::Error &error)
{
    QString text = QStringLiteral("The acronym dictionary could not be used.\n\n"
                                  "Dictionary: %1\n"
                                  "Reason: %2")
                       .arg(error.isFromServer() ? error.location() : QDir::toNativeSeparators(error.location()),
                            storeErrorReason(error));
    if (!error.engineMessage().isEmpty())
        text += QStringLiteral("\n\n(%1)").arg(error.engineMessage());
    return text;
}

bool refuseReadOnly(ModalBoxes &boxes, store::Dictionary &dictionary)
{
    if (!dictionary.isReadOnly())
        return false;
    const store::Location &where = dictionary.location();
    reportStoreError(boxes, where.isServer()
                                ? store::Error::fromServer(store::Error::Kind::ReadOnly, where.display(), QString())
                                : store::Error(store::Error::Kind::ReadOnly, where.display(), QString()));
    return true;
}

void reportStoreError(ModalBoxes &boxes, const store::Error &error)
{
    boxes.message(storeErrorText(error), kAppTitle, ModalBoxes::Icon::Critical);
}

} // namespace ui
