#include "store/file/schema.h"

#include "store/file/acronymindex.h"
#include "store/file/files.h"
#include "store/file/filesql.h"

#include <QFile>

namespace store {

Database createDictionary(const QString &path)
{
    Database db = Files::instance().createNew(path);
    try {
        Transaction transaction(db);
        db.exec(filesql::createTable);
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
