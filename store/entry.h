#pragma once

#include <QString>
#include <QtGlobal>

namespace store {

// One record of the acronym table as stored.
struct Entry
{
    qint64 id = 0;      // the record's place in natural order
    QString acronym;    // as stored, blanks kept
    QString definition; // as stored; a definition without value reads as ""

    bool operator==(const Entry &other) const
    {
        return id == other.id && acronym == other.acronym && definition == other.definition;
    }
};

} // namespace store
