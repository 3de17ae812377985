#pragma once

// Splits a dictionary text file into records: ACRONYM<TAB>definition lines,
// or CSV with a header row. The reader only finds and checks the fields; what
// becomes of them is the importer's business.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace tools {

enum class InputFormat { Tsv, Csv };

// CSV when the name ends in .csv, or when the first line carries no tab and
// names an Acronym and a Definition column; tab-separated lines otherwise.
InputFormat detectFormat(const QString &path, QByteArrayView data);

// True when bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool isValidUtf8(QByteArrayView bytes);

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
    // data must outlive the reader: TSV fields point into it.
    RecordReader(QByteArrayView data, InputFormat format);

    // The next record, skipping empty lines and, in TSV, '#' comment and
    // '$' tag lines. False at the end of the data.
    bool next(InputRecord &record);

    // Bytes consumed so far, for progress reports.
    qint64 position() const { return m_pos; }

private:
    bool nextTsv(InputRecord &record);
    bool nextCsv(InputRecord &record);
    // One CSV record as fields; false at the end. problem is set for an
    // unterminated quote.
    bool readCsvFields(QList<QByteArray> &fields, QString &problem);
    void readCsvHeader();
    static void check(InputRecord &record);

    QByteArrayView m_data;
    InputFormat m_format;
    qint64 m_pos = 0;
    qint64 m_line = 1;
    int m_acronymColumn = 0;
    int m_definitionColumn = 1;
};

} // namespace tools
