#pragma once

#include "store/location.h"

#include <QStringList>
#include <QtGlobal>

namespace store {

// Copies every record of one dictionary into another, in natural order: a
// file to a server or back. A field without a value stays without one. The
// target must hold no record yet: a file that does not exist is made, a
// server's table must have been made (orvex-db create). Nothing is written
// when it fails; a fault of one record names it.
struct CopyReport
{
    qint64 copied = 0;
    // "record N (ACRONYM): how", for each record the target could not take
    // as stored and took changed (bytes that are no UTF-8, on a server).
    QStringList changed;
};
CopyReport copyDictionary(const Location &from, const Location &to);

} // namespace store
