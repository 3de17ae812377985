#pragma once

#include "store/location.h"

#include <QtGlobal>

namespace store {

// Copies every record of one dictionary into another, in natural order: a
// file to a server or back. A field without a value stays without one. The
// history of changes goes with them, and so do the records' ids, which it
// names, when the target keeps a history; a target that keeps none refuses
// a source's history (Kind::NoHistory). The
// target must hold no record yet: a file that does not exist is made, a
// server's table must have been made (orvex-db create). Returns the number
// of records copied; nothing is written when it fails.
qint64 copyDictionary(const Location &from, const Location &to);

} // namespace store
