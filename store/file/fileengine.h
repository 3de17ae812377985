#pragma once

// The file engine: an SQLite database file with table Acronyms. Its parts
// are the open dictionary (filebackend.cpp), the bulk writer
// (filebulkwriter.cpp) and the whole-file work (fileengine.cpp).

#include "store/engine.h"

#include <QString>

#include <memory>

namespace store {

std::unique_ptr<Engine> makeFileEngine(const QString &path);

// The engine's parts, opened at once.
std::unique_ptr<Backend> openFileBackend(const QString &path);
std::unique_ptr<BulkWriter> openFileBulkWriter(const QString &path, qint64 expectedRecords);

} // namespace store
