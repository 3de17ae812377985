#pragma once

// The six store operations the windows perform. Each window operation opens
// the table, scans, reads or writes at most once, and closes it again; every
// write is one statement in its own transaction, so it is either stored whole
// or not at all.

#include "store/sqlite.h"

#include <QString>

#include <optional>

namespace store {

class AcronymTable
{
public:
    explicit AcronymTable(Database db);

    bool isOpen() const { return m_db.isOpen(); }
    // The record the last scan stopped on, or nothing when it reached the end.
    std::optional<qint64> currentRow() const { return m_current; }

    Database &database() { return m_db; }
    const QString &path() const { return m_db.path(); }

private:
    friend bool FindAcronym(AcronymTable &table, const QString &key);
    friend void CloseAcronymTable(AcronymTable &table) noexcept;

    Database m_db;
    std::optional<qint64> m_current;
};

// Opens the dictionary at path (never creating it) and checks that table
// Acronyms with its two text fields is there.
AcronymTable OpenAcronymTable(const QString &path);

// The record scan's answer: the first record in natural order whose trimmed
// acronym equals the trimmed key. Found through the trimmed-acronym index,
// which is added to a file that lacks it when the file can be changed. The
// caller passes the key already upper-cased.
bool FindAcronym(AcronymTable &table, const QString &key);

// The current record's definition; a definition without value reads as "".
QString ReadDefinition(AcronymTable &table);

void AddAcronym(AcronymTable &table, const QString &acronym, const QString &definition);

// Adds the record unless its acronym was stored meanwhile, by another running
// copy for instance: the scan and the insert share one write transaction, so
// two copies adding the same acronym at once cannot both add it. Returns
// false, positioned on the stored record, when it was there already.
bool AddAcronymUnlessStored(AcronymTable &table, const QString &acronym, const QString &definition);

// Writes the current record's definition; no other field changes.
void ReplaceDefinition(AcronymTable &table, const QString &definition);

void CloseAcronymTable(AcronymTable &table) noexcept;

} // namespace store
