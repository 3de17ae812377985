#pragma once

// Inside BulkImport: what each engine does with the records, and the rule
// for a meaning added to an entry, which both share.

#include "store/bulkimport.h"

#include <QString>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

namespace store {

class BulkWriter
{
public:
    virtual ~BulkWriter() = default;
    virtual void expect(quint64 hash) const = 0;
    virtual BulkImport::Outcome put(BulkImport::Key key, std::string_view definition) = 0;
    virtual void commit() = 0;
};

// In the server engine.
std::unique_ptr<BulkWriter> openServerBulkWriter(const QString &connectionString);

// A record whose definition this import has touched: held here and written
// once at the end, so that an acronym met N times costs N appends to a
// string rather than N rewrites of an ever longer record.
struct OpenEntry
{
    qint64 id = 0; // the record's, or 0 for one not yet written
    std::string definition;
    std::unordered_set<std::string> parts; // its " - " parts, trimmed; filled by add()
    bool changed = false;

    // definition is the stored one.
    OpenEntry(qint64 storedId, std::string stored);
    // Joins the meaning after " - " unless every part of it is there.
    BulkImport::Outcome add(std::string_view meaning);
};

} // namespace store
