#pragma once

// Every record of a dictionary, file or server, in natural order and from
// one moment of the table: for copying, exporting and counting. The bytes
// are handed over as stored, so that nothing is lost on the way.

#include "store/location.h"

#include <QtGlobal>

#include <functional>
#include <optional>
#include <string_view>

namespace store {

struct StoredRecord
{
    qint64 id = 0; // the record's place in natural order
    // Absent when the field has no value; the views last for the call.
    std::optional<std::string_view> acronym;
    std::optional<std::string_view> definition;
    std::optional<qint64> active;
};

using RecordVisitor = std::function<void(const StoredRecord &)>;

// A record as counting needs it: whether its definition holds more than
// spaces, without the definition itself, which may be hundreds of
// megabytes.
struct RecordOutline
{
    qint64 id = 0;
    std::optional<std::string_view> acronym; // the view lasts for the call
    bool hasDefinition = false;
};

using OutlineVisitor = std::function<void(const RecordOutline &)>;

// Throws Error when the dictionary cannot be read.
void forEachRecord(const Location &where, const RecordVisitor &visit);
void forEachOutline(const Location &where, const OutlineVisitor &visit);

} // namespace store
