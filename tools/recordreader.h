#pragma once

// Splits a dictionary text file into records: ACRONYM<TAB>definition lines,
// or CSV with a header row naming its columns. The input is read in blocks,
// never mapped, so a file that changes while it is read is an error rather
// than a crash, and memory stays bounded by the longest record. Every line
// is accounted for: a record, a bad record with its line number, or a blank
// or comment line. What becomes of the records is the importer's business.

#include "tools/toolerror.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <stdexcept>

class QFile;
class QIODevice;

namespace tools {

enum class InputFormat { Tsv, Csv };

// True when bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool isValidUtf8(QByteArrayView bytes);

// The whole input is refused; nothing of it may be written.
using ImportRefused = ToolError;

struct ReaderOptions
{
    // Otherwise CSV for a .csv name or when columns are named below,
    // tab-separated for .tsv, and for any other name guessed from its first
    // lines that are not blank or comments: CSV when more of them are
    // separated by commas or semicolons than by tabs.
    std::optional<InputFormat> format;
    // CSV columns named by the user instead of the usual names.
    QString acronymColumn;
    QString definitionColumn;
    // CSV columns whose values follow the definition: "meaning (a; b)".
    QStringList extraColumns;
    // A longer record, or input that never ends a line, is refused.
    qint64 maxRecordBytes = qint64(256) << 20;
};

struct InputRecord
{
    qint64 line = 0; // where the record starts, counted from 1
    QByteArray acronym; // UTF-8 as it stands in the file
    QByteArray definition;
    QString problem; // why the record cannot be stored; empty when it can
};

class RecordReader
{
public:
    // name is shown in messages and picks the format; "-" has none. Reads
    // the start of the input; throws ImportRefused for an empty or binary
    // input, an unusable CSV header or an unknown encoding. CSV is separated
    // by commas, or by semicolons when its header row has no comma but a
    // semicolon (as spreadsheets save it where the comma is the decimal
    // mark); a first line sep=X, as Excel reads it, names the separator.
    RecordReader(QIODevice &input, const QString &name, const ReaderOptions &options = {});
    ~RecordReader();
    RecordReader(const RecordReader &) = delete;
    RecordReader &operator=(const RecordReader &) = delete;

    InputFormat format() const { return m_format; }

    // The next record, skipping empty lines and, in TSV, '#' comment and
    // '$' tag lines. False at the end of the input. Throws ImportRefused
    // when the input turns out not to be text, has a record beyond the
    // limit, or got shorter while it was read.
    bool next(InputRecord &record);

    // Input bytes read so far and, when known, in all: for progress reports.
    qint64 position() const;
    qint64 size() const;

private:
    class Source;

    // What the first lines of the input hold, for the format guess.
    struct Guess
    {
        int tabbed = 0; // lines with a tab
        int separated = 0; // lines without a tab but with a comma or a semicolon
        int semicolons = 0; // of those, lines without a comma
        bool firstSeparated = false; // the first of the lines counted is one of those
        bool separatorLine = false; // the input starts with sep=X
    };
    Guess lookAtTheStart();
    bool nextTsv(InputRecord &record);
    bool nextCsv(InputRecord &record);
    void readCsvHeader();
    // The end of the line starting at start: the index of its line break
    // (or of the end of the input) and where the next line begins; -1 at
    // the end of the input.
    qsizetype lineEnd(qsizetype start, qsizetype &next);
    enum class Fields { Done, Bad, End };
    Fields readCsvFields(QList<QByteArray> &fields, QString &problem);
    void checkText(QByteArrayView bytes, qint64 line) const;
    void checkLength(qsizetype bytes, qint64 line) const;
    bool isHeaderAgain(const QList<QByteArray> &fields) const;
    static void checkFields(InputRecord &record);

    std::unique_ptr<Source> m_source;
    QString m_name;
    ReaderOptions m_options;
    InputFormat m_format = InputFormat::Tsv;
    qint64 m_line = 1;
    char m_separator = ',';
    QList<QByteArray> m_header;
    int m_acronymColumn = 0;
    int m_definitionColumn = 1;
    QList<int> m_extraColumns;
};

// The name to give QFile for the input file name: QFile takes a name that
// starts with ':' for one of the program's resources, where the user means
// a file in the current folder.
QString fileNameForQt(const QString &name);

// Opens the input file name (not "-") for reading, unbuffered. Returns why
// it cannot be, naming it, or an empty string. An empty name is no file,
// and is said so without QFile's warning on standard error.
QString openInputFile(QFile &file, const QString &name);

} // namespace tools
