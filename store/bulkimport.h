#pragma once

// Many records into one dictionary at once, for orvex-db's import: one
// write transaction, the first record of every stored acronym found once,
// and each record's outcome under the same rules as the dialog's Add: the
// key upper-cased, compared after trimming spaces with the first match in
// natural order; a new meaning joined after " - ", one already there left
// out. Time stays linear in the records however often an acronym repeats.

#include "store/location.h"

#include <QString>
#include <QtGlobal>

#include <memory>
#include <string>
#include <string_view>

namespace store {

class BulkImport
{
public:
    // Opens the dictionary and takes the write lock (on a server, a lock
    // that lets readers read and makes other writers wait); throws Error
    // when it cannot. expectedRecords sizes the file's key map in advance.
    explicit BulkImport(const Location &where, qint64 expectedRecords = 0);
    // Rolls back unless committed: nothing of an unfinished import stays.
    ~BulkImport() noexcept;
    BulkImport(const BulkImport &) = delete;
    BulkImport &operator=(const BulkImport &) = delete;

    enum class Outcome {
        Added, // a new record
        Appended, // the meaning joined to the stored definition
        AlreadyThere, // the stored definition holds the meaning already
        NotText, // the table would store the acronym or the definition as a number: left out
    };
    // typed and definition are well-formed UTF-8, neither blank.
    Outcome put(std::string_view typed, std::string_view definition);

    // The same in steps, for a caller that reads ahead: appendKey() touches
    // no state, so another thread may work keys out while records are
    // stored; expect() asks for the key's place in memory a few records
    // before put() needs it.
    struct Key
    {
        std::string_view stored; // keyOfUtf8(typed)
        quint64 hash = 0; // of the trimmed key
    };
    // Appends keyOfUtf8(typed) to out and returns its hash.
    static quint64 appendKey(std::string_view typed, std::string &out);
    void expect(quint64 hash) const;
    Outcome put(Key key, std::string_view definition);

    // Writes what is held back, makes sure the lookup index is there, and
    // commits.
    void commit();

private:
    std::unique_ptr<class BulkWriter> m_writer;
};

} // namespace store
