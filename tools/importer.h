#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <stdexcept>

namespace tools {

struct ImportOptions
{
    // Refuse the whole file at its first bad record instead of skipping it.
    bool strict = false;
    // Called now and then with the bytes read so far and the file's size.
    std::function<void(qint64 done, qint64 total)> progress;
};

struct ImportReport
{
    qint64 added = 0;
    qint64 appended = 0;
    QStringList skipped; // "line N: why"
};

// A strict import met a bad record; nothing was written.
class ImportRefused : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Reads a dictionary text file (ACRONYM<TAB>definition lines, or CSV with a
// header row) into the dictionary at dbPath, in one transaction. Keys are
// upper-cased as the program does; an acronym already stored (or repeated in
// the file) gets the new meaning appended after " - ", as the
// existing-definition dialog would. Throws store::Error on a database fault
// and ImportRefused or std::runtime_error otherwise; then nothing is written.
ImportReport importFile(const QString &dbPath, const QString &inputPath, const ImportOptions &options = {});

} // namespace tools
