#include "store/recordscan.h"

#include "store/text.h"

namespace store {

std::optional<qint64> scanForAcronym(Database &db, const QString &key)
{
    // Comparing UTF-8 bytes is the same as comparing UTF-16 code units for
    // valid text, and spares a conversion per record.
    const QByteArray keyUtf8 = key.toUtf8();
    const std::string_view wanted = trimSpaces(std::string_view(keyUtf8.constData(),
                                                                static_cast<size_t>(keyUtf8.size())));

    Statement scan(db, "SELECT rowid, Acronym FROM Acronyms ORDER BY rowid");
    while (scan.step()) {
        if (scan.isNull(1))
            continue;
        if (trimSpaces(scan.utf8(1)) == wanted)
            return scan.integer(0);
    }
    return std::nullopt;
}

} // namespace store
