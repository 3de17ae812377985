#include "store/records.h"

#include "store/engine.h"

namespace store {

void forEachRecord(const Location &where, const RecordVisitor &visit)
{
    if (where.isServer()) {
        forEachServerRecord(where.target(), visit);
        return;
    }
    Database db = Engine::instance().open(where.target());
    // One read transaction: a single moment of the table.
    db.exec("BEGIN");
    Statement rows(db, "SELECT Acronym, Definition, Active FROM Acronyms ORDER BY rowid");
    while (rows.step()) {
        StoredRecord record;
        if (!rows.isNull(0))
            record.acronym = rows.utf8(0);
        if (!rows.isNull(1))
            record.definition = rows.utf8(1);
        if (!rows.isNull(2))
            record.active = rows.integer(2);
        visit(record);
    }
    rows.reset();
    db.exec("COMMIT");
}

} // namespace store
