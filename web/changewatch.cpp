#include "web/changewatch.h"

#include "store/dictionary.h"

#include <QByteArray>

#include <memory>

namespace web {

namespace {

std::int64_t now() noexcept
{
    return std::chrono::steady_clock::now().time_since_epoch().count();
}

} // namespace

ChangeWatch::ChangeWatch(const store::Location &where, std::chrono::milliseconds interval)
    : m_location(where)
    , m_interval(interval)
    , m_thread([this] { run(); })
{}

ChangeWatch::~ChangeWatch() noexcept
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

std::uint64_t ChangeWatch::generation() const noexcept
{
    // Four intervals without an answer (one is the wait, the rest leave
    // room for a busy machine): the dictionary is stalled or gone, and a
    // change made meanwhile would go unseen.
    const std::int64_t answered = m_answeredAt.load(std::memory_order_acquire);
    const auto limit = std::chrono::duration_cast<std::chrono::steady_clock::duration>(4 * m_interval).count();
    if (answered == 0 || now() - answered > limit)
        return 0;
    return m_generation.load(std::memory_order_acquire);
}

void ChangeWatch::run()
{
    std::unique_ptr<store::Dictionary> dictionary;
    QByteArray mark;
    // Never given twice: an answer kept before a fault never counts again.
    std::uint64_t generation = 0;
    bool vouched = false;
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        lock.unlock();
        try {
            if (!dictionary)
                dictionary = std::make_unique<store::Dictionary>(m_location);
            if (dictionary->isReplaced()) {
                m_reopenings.fetch_add(1, std::memory_order_acq_rel);
                dictionary = std::make_unique<store::Dictionary>(m_location);
                vouched = false;
            }
            QByteArray next = dictionary->changeMark();
            if (!vouched || next != mark) {
                m_generation.store(++generation, std::memory_order_release);
                mark = std::move(next);
                vouched = true;
            }
            m_answeredAt.store(now(), std::memory_order_release);
        } catch (...) {
            // Whatever the fault, nothing is vouched for until the
            // dictionary answers again; then it counts as changed.
            dictionary.reset();
            vouched = false;
            m_answeredAt.store(0, std::memory_order_release);
        }
        lock.lock();
        m_wake.wait_for(lock, m_interval, [this] { return m_stop; });
    }
}

} // namespace web
