#include "store/records.h"

#include "store/engine.h"

namespace store {

void forEachRecord(const Location &where, const RecordVisitor &visit)
{
    engineFor(where)->forEachRecord(visit, {});
}

void forEachOutline(const Location &where, const OutlineVisitor &visit)
{
    engineFor(where)->forEachOutline(visit);
}

} // namespace store
