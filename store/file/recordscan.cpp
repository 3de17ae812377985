#include "store/file/recordscan.h"

#include "store/file/filesql.h"
#include "store/text.h"

namespace store {

const char *const kScanAcronymsSql = filesql::scan;

bool scanTo(Statement &scan, std::string_view key)
{
    // Comparing UTF-8 bytes is the same as comparing UTF-16 code units for
    // valid text, and spares a conversion per record.
    while (scan.step()) {
        if (!scan.isNull(1) && trimSpaces(scan.utf8(1)) == key)
            return true;
    }
    return false;
}

std::optional<qint64> scanForAcronym(Database &db, const QString &key)
{
    const QByteArray keyUtf8 = key.toUtf8();
    Statement scan(db, kScanAcronymsSql);
    if (scanTo(scan, trimSpaces(std::string_view(keyUtf8.constData(), static_cast<size_t>(keyUtf8.size())))))
        return scan.integer(0);
    return std::nullopt;
}

} // namespace store
