#pragma once

#include "store/location.h"
#include "tools/recordreader.h"

#include <QString>
#include <QStringList>

#include <functional>

class QFile;
class QIODevice;
class QTemporaryFile;

namespace tools {

struct ImportOptions
{
    // Refuse the whole input at its first bad record instead of skipping it.
    bool strict = false;
    ReaderOptions reader;
    // Called now and then with the bytes read so far and the input's size
    // (-1 when unknown).
    std::function<void(qint64 done, qint64 total)> progress;
};

struct ImportReport
{
    qint64 records = 0; // every record read, good or bad
    qint64 added = 0;
    qint64 appended = 0;
    qint64 alreadyThere = 0;
    qint64 skipped = 0;
    static constexpr int kListed = 20;
    QStringList firstSkipped; // "line N: why", the first kListed of them
};

// Reads a dictionary text file (ACRONYM<TAB>definition lines, or CSV with a
// header row) from input into the dictionary db, file or server, in one
// transaction; name is the input's name for messages and its format. Each
// record is added, appended after " - " to the acronym stored, or found
// there already. Throws ImportRefused when the input as a whole cannot be
// taken (and in a strict import at the first bad record), and store::Error
// on a database fault; then nothing is written. When every record is bad,
// nothing is written either and the report says so.
ImportReport importRecords(const store::Location &db, QIODevice &input, const QString &name,
                           const ImportOptions &options = {});

// input itself when it is a file; otherwise (a pipe, a terminal, standard
// input) all of it read first into spool, so that no import holds the
// dictionary's lock while it waits for input that comes slowly or never.
// Throws ToolError when reading fails or Ctrl+C stops it.
QIODevice &wholeInput(QFile &input, QTemporaryFile &spool, const QString &name);

} // namespace tools
