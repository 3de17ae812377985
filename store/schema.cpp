#include "store/schema.h"

#include "store/acronymindex.h"
#include "store/engine.h"

#include <QFile>

namespace store {

Database createDictionary(const QString &path)
{
    Database db = Engine::instance().createNew(path);
    try {
        Transaction transaction(db);
        db.exec("CREATE TABLE Acronyms (Acronym TEXT, Definition TEXT, Active INTEGER)");
        createAcronymIndex(db);
        transaction.commit();
    } catch (...) {
        // Leave no half-made file behind that would later pass for a dictionary.
        db.close();
        QFile::remove(path);
        throw;
    }
    return db;
}

} // namespace store
