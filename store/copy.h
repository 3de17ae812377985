#pragma once

#include "store/location.h"

#include <QtGlobal>

namespace store {

// Copies every record of one dictionary into another, in natural order: a
// file to a server or back. A field without a value stays without one. The
// target must hold no record yet: a file that does not exist is made, a
// server's table must have been made (orvex-db create). Returns the number
// of records copied; nothing is written when it fails.
qint64 copyDictionary(const Location &from, const Location &to);

} // namespace store
