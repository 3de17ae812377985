#include "tools/stats.h"

#include "store/engine.h"
#include "store/text.h"

#include <QFileInfo>

#include <string>
#include <unordered_set>

namespace tools {

DictionaryStats dictionaryStats(const QString &dbPath)
{
    store::Database db = store::Engine::instance().open(dbPath);
    store::Statement rows(db, "SELECT Acronym, Definition FROM Acronyms ORDER BY rowid");

    DictionaryStats stats;
    std::unordered_set<std::string> seen;
    while (rows.step()) {
        ++stats.records;
        if (rows.isNull(0) || rows.isNull(1) || store::trimSpaces(rows.utf8(0)).empty()
            || store::trimSpaces(rows.utf8(1)).empty()) {
            ++stats.incomplete;
            if (rows.isNull(0))
                continue;
        }
        const std::string key(store::trimSpaces(rows.utf8(0)));
        if (key.empty())
            continue;
        if (!seen.insert(key).second) {
            ++stats.repeated;
            continue;
        }
        const QString text = QString::fromStdString(key);
        if (store::upperCased(text) != text)
            ++stats.lowerCase;
        else
            ++stats.acronyms;
    }
    stats.fileSize = QFileInfo(dbPath).size();
    return stats;
}

} // namespace tools
