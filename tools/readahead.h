#pragma once

// Reads, checks and keys the input's records on a thread of its own, a few
// batches ahead of the import that stores them: with two processors an
// import takes about the time of its writes alone. A batch keeps its
// records' bytes in one buffer, and batches go back and forth rather than
// being freed, so that no memory is allocated on one thread and released on
// the other for every record.

#include "store/bulkimport.h"
#include "tools/recordreader.h"

#include <QMutex>
#include <QWaitCondition>

#include <deque>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QThread;

namespace tools {

class ReadAhead
{
public:
    struct Record
    {
        qint64 line = 0;
        QString problem; // empty when the record can be stored
        size_t keyAt = 0, definitionAt = 0, end = 0; // offsets in Batch::bytes
        quint64 hash = 0;
    };
    struct Batch
    {
        std::string bytes;
        std::vector<Record> records;
        qint64 position = 0; // input bytes read up to the batch's end

        std::string_view definition(const Record &r) const { return view(r.definitionAt, r.end); }
        store::BulkImport::Key key(const Record &r) const { return {view(r.keyAt, r.definitionAt), r.hash}; }

    private:
        std::string_view view(size_t from, size_t to) const { return std::string_view(bytes).substr(from, to - from); }
    };

    // Starts reading; reader is used by the thread alone until this ends.
    explicit ReadAhead(RecordReader &reader);
    // Stops the thread without reading further.
    ~ReadAhead() noexcept;
    ReadAhead(const ReadAhead &) = delete;
    ReadAhead &operator=(const ReadAhead &) = delete;

    // The next batch in place of batch, which goes back to be filled again;
    // false at the end of the input. What the reader threw is thrown here,
    // after every record read before it was handed over.
    bool next(Batch &batch);

private:
    void run();

    RecordReader &m_reader;
    QMutex m_mutex;
    QWaitCondition m_changed;
    std::deque<Batch> m_ready;
    std::vector<Batch> m_spare;
    std::exception_ptr m_failure;
    bool m_done = false;
    bool m_stop = false;
    std::unique_ptr<QThread> m_thread;
};

} // namespace tools
