#include "store/copy.h"

#include "store/engine.h"

namespace store {

qint64 copyDictionary(const Location &from, const Location &to)
{
    const std::unique_ptr<CopyTarget> target = engineFor(to)->copyTarget();
    qint64 copied = 0;
    engineFor(from)->forEachRecord([&](const StoredRecord &record) {
        target->put(record);
        ++copied;
    });
    target->commit();
    return copied;
}

} // namespace store
