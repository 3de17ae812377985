#pragma once

#include "store/file/sqlite.h"

#include <QString>

namespace store {

// Makes a new, empty dictionary file with table Acronyms. Refuses to touch a
// file that already exists: it may hold somebody's words.
Database createDictionary(const QString &path);

} // namespace store
