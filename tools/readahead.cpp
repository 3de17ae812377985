#include "tools/readahead.h"

#include <QThread>

#include <utility>

namespace tools {

namespace {

// Large enough that handing a batch over costs nothing per record, small
// enough that a refused input is found before much memory is spent on it.
constexpr size_t kBatchRecords = 4096;
constexpr size_t kBatchesAhead = 4;

std::string_view view(const QByteArray &bytes)
{
    return {bytes.constData(), static_cast<size_t>(bytes.size())};
}

} // namespace

ReadAhead::ReadAhead(RecordReader &reader)
    : m_reader(reader)
{
    m_thread.reset(QThread::create([this] { run(); }));
    m_thread->start();
}

ReadAhead::~ReadAhead() noexcept
{
    {
        QMutexLocker lock(&m_mutex);
        m_stop = true;
        m_changed.wakeAll();
    }
    m_thread->wait();
}

void ReadAhead::run()
{
    InputRecord input;
    for (bool more = true; more;) {
        Batch batch;
        {
            QMutexLocker lock(&m_mutex);
            if (!m_spare.empty()) {
                batch = std::move(m_spare.back());
                m_spare.pop_back();
            }
        }
        batch.bytes.clear();
        batch.records.clear();
        std::exception_ptr failure;
        try {
            while (batch.records.size() < kBatchRecords) {
                if (!m_reader.next(input)) {
                    more = false;
                    break;
                }
                Record record;
                record.line = input.line;
                record.problem = std::move(input.problem);
                input.problem.clear();
                if (record.problem.isEmpty()) {
                    record.keyAt = batch.bytes.size();
                    record.hash = store::BulkImport::appendKey(view(input.acronym), batch.bytes);
                    record.definitionAt = batch.bytes.size();
                    batch.bytes.append(view(input.definition));
                    record.end = batch.bytes.size();
                }
                batch.records.push_back(std::move(record));
            }
            batch.position = m_reader.position();
        } catch (...) {
            failure = std::current_exception();
            more = false;
        }

        QMutexLocker lock(&m_mutex);
        while (m_ready.size() >= kBatchesAhead && !m_stop)
            m_changed.wait(&m_mutex);
        if (m_stop)
            return;
        m_ready.push_back(std::move(batch));
        m_failure = failure;
        m_done = !more;
        m_changed.wakeAll();
    }
}

bool ReadAhead::next(Batch &batch)
{
    QMutexLocker lock(&m_mutex);
    if (!batch.records.empty() || batch.bytes.capacity() > 0)
        m_spare.push_back(std::move(batch));
    while (m_ready.empty() && !m_done)
        m_changed.wait(&m_mutex);
    if (!m_ready.empty()) {
        batch = std::move(m_ready.front());
        m_ready.pop_front();
        m_changed.wakeAll();
        return true;
    }
    if (m_failure)
        std::rethrow_exception(std::exchange(m_failure, nullptr));
    return false;
}

} // namespace tools
