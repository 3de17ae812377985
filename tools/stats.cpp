#include "tools/stats.h"

#include "store/engine.h"
#include "store/records.h"
#include "store/text.h"

#include <string>
#include <unordered_set>

namespace tools {

DictionaryStats dictionaryStats(const store::Location &db)
{
    DictionaryStats stats;
    std::unordered_set<std::string> seen;
    store::forEachOutline(db, [&](const store::RecordOutline &record) {
        ++stats.records;
        if (!record.acronym || !record.hasDefinition || store::trimSpaces(*record.acronym).empty()) {
            ++stats.incomplete;
            if (!record.acronym)
                return;
        }
        const std::string key(store::trimSpaces(*record.acronym));
        if (key.empty())
            return;
        if (!seen.insert(key).second) {
            ++stats.repeated;
            return;
        }
        const QString text = QString::fromStdString(key);
        if (store::upperCased(text) != text)
            ++stats.lowerCase;
        else
            ++stats.acronyms;
    });
    const std::unique_ptr<store::Engine> engine = store::engineFor(db);
    stats.fileSize = engine->sizeOnDisk();
    stats.history = engine->historySize();
    return stats;
}

} // namespace tools
