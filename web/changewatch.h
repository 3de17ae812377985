#pragma once

// Watches a dictionary for changes, on a thread and a connection of its own,
// so that orvex-web may keep its answers while nothing changes and answer
// them again without asking the dictionary each time.

#include "store/location.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace web {

class ChangeWatch
{
public:
    // Asks the dictionary at where for its change mark every interval.
    ChangeWatch(const store::Location &where, std::chrono::milliseconds interval);
    ~ChangeWatch() noexcept;
    ChangeWatch(const ChangeWatch &) = delete;
    ChangeWatch &operator=(const ChangeWatch &) = delete;

    // A number that moves whenever the dictionary may have changed; 0 when
    // the watch cannot vouch for it (it had no answer from the dictionary
    // within four intervals): then nothing read may be kept.
    std::uint64_t generation() const noexcept;
    // A number that moves when the location holds another dictionary than
    // the one opened (a file put in its place): whoever opened it before
    // then opens it again.
    std::uint64_t reopenings() const noexcept { return m_reopenings.load(std::memory_order_acquire); }

private:
    void run();

    const store::Location m_location;
    const std::chrono::milliseconds m_interval;
    std::atomic<std::uint64_t> m_generation{0};
    std::atomic<std::uint64_t> m_reopenings{0};
    // When the dictionary last answered, in steady-clock ticks; 0: not yet.
    std::atomic<std::int64_t> m_answeredAt{0};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace web
