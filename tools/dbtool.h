#pragma once

// The dictionary tool behind orvex-db: makes dictionary files and fills them.

#include <QString>
#include <QStringList>

#include <functional>

class QTextStream;

namespace tools {

struct ImportReport
{
    int added = 0;
    int appended = 0;
    QStringList skipped; // "line N: why"
};

// Reads ACRONYM<TAB>definition lines into the dictionary at dbPath in one
// transaction. Keys are upper-cased as the program does; an acronym already
// stored (or repeated in the input) gets the new meaning appended after
// " - ", as the existing-definition dialog would. Lines starting with '#'
// or '$' are comments and tags. Throws store::Error on a database fault,
// in which case nothing is written.
ImportReport importTsv(const QString &dbPath, const QString &tsvPath);

// Runs the command line; returns the process exit code.
int runDbTool(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace tools
