#pragma once

#include <QString>
#include <QtGlobal>

namespace store {

// One record of the acronym table as stored.
struct Entry
{
    qint64 id = 0; // the record's place in natural order
    QString acronym; // as stored, blanks kept
    QString definition; // as stored; a definition without value reads as ""
    // Set when definition holds only the beginning of a longer stored text
    // (see Dictionary::setLongestDefinition): the stored size in bytes.
    qint64 shortenedFrom = 0;

    bool operator==(const Entry &other) const
    {
        return id == other.id && acronym == other.acronym && definition == other.definition;
    }
};

// What an Add did: stored a new entry, or found the acronym stored already.
struct Added
{
    bool added = false; // false: the acronym was stored already
    Entry entry; // the new entry, or the one stored already
};

} // namespace store
