#pragma once

#include "store/location.h"

#include <QString>
#include <QStringList>

class QIODevice;
class QTextStream;

namespace tools {

enum class OutputFormat { Tsv, Csv };

struct ExportReport
{
    qint64 written = 0;
    QStringList left; // "record N (ACRONYM): why" for records the format cannot carry
    bool toFile = false; // written to a file (not a stream: a pipe, a device, standard output)
};

// Writes every record of the dictionary db, file or server, in the table's natural
// order, as lines the importer reads back into the same table: ACRONYM<TAB>
// definition, or CSV with an Acronym,Definition header. A record that the
// format cannot carry (a missing or blank field; in TSV also a line break,
// a tab in the acronym, or an acronym that would read as a comment) is left
// out and listed instead of being written in a form that would come back
// different. In CSV a cell that a spreadsheet would run as a formula (one
// starting with =, +, - or @, after any apostrophes) gets one apostrophe in
// front, which import takes off. Throws store::Error on a database fault and
// std::runtime_error when out refuses the bytes.
ExportReport exportDictionary(const store::Location &db, QIODevice &out, OutputFormat format);

// The same into target: "-" is standardOutput; a pipe, a device or a
// terminal is written into; a file is written aside and moved into place
// whole, CSV when its name ends in .csv. An existing file is replaced only
// with force and never when it is a dictionary or the dictionary exported.
// Throws ToolError when the target is refused or cannot be written.
ExportReport exportTo(const store::Location &db, const QString &target, bool force, QTextStream &standardOutput);

// How many records the format would leave out: said before an export
// starts, so that a backup that cannot keep them is known to at once.
qint64 recordsTheFormatCannotCarry(const store::Location &db, OutputFormat format);

// TSV unless the name ends in .csv.
OutputFormat outputFormatFor(const QString &path);

} // namespace tools
