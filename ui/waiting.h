#pragma once

// A window's call into the dictionary may wait: for a server that is slow
// to answer, or for a file another program holds locked, up to the store's
// bounded wait of seconds. The call runs on a thread of its own while the
// window goes on repainting; input waits until it is done, so that nothing
// is clicked twice meanwhile. A quick call (most are) returns before any
// event is handled.

#include <QEventLoop>
#include <QMetaObject>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>

namespace ui {

template<typename Work>
auto whileRepainting(Work work) -> decltype(work())
{
    using Result = decltype(work());
    std::conditional_t<std::is_void_v<Result>, bool, std::optional<Result>> result{};
    std::exception_ptr failure;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    QEventLoop loop;
    std::thread worker([&] {
        try {
            if constexpr (std::is_void_v<Result>)
                work();
            else
                result.emplace(work());
        } catch (...) {
            failure = std::current_exception();
        }
        const std::lock_guard lock(mutex);
        done = true;
        finished.notify_one();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    {
        // A tenth of a second is no wait a person sees.
        std::unique_lock lock(mutex);
        finished.wait_for(lock, std::chrono::milliseconds(100), [&] { return done; });
        const bool waiting = !done;
        lock.unlock();
        if (waiting)
            loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
    if constexpr (!std::is_void_v<Result>)
        return std::move(*result);
}

} // namespace ui
