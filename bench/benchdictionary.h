#pragma once

// Dictionaries of a given size for the benchmarks, made once and kept.

#include <QString>

namespace bench {

// The acronym of record i: two to seven capital letters, distinct for
// every i below 2^32, in an order unrelated to i.
QString acronymFor(quint32 i);

// Makes a dictionary of `count` records at path unless one is there. It is
// made under another name and moved in whole, so an interrupted run never
// leaves a short one behind. With history, it keeps the history of changes
// that orvex-db create starts, one change for each record; without, it is
// a dictionary made before there was one.
void makeDictionary(const QString &path, quint32 count, bool history = false);

} // namespace bench
