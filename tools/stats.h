#pragma once

#include "store/history.h"
#include "store/location.h"

#include <QString>

namespace tools {

struct DictionaryStats
{
    qint64 records = 0;
    qint64 acronyms = 0; // distinct acronyms, trimmed, that a lookup can find
    qint64 repeated = 0; // later records of an acronym stored before: lookups never reach them
    qint64 lowerCase = 0; // acronyms with lower-case letters: lookups never find them
    qint64 incomplete = 0; // records without an acronym or a definition
    qint64 fileSize = -1; // -1 for a server
    store::HistorySize history; // the history of changes
};

// Counts what the dictionary db holds. Throws store::Error.
DictionaryStats dictionaryStats(const store::Location &db);

} // namespace tools
