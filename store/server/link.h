#pragma once

// The program's one connection to a server, shared by every Dictionary on
// the same connection string. It is opened by the first operation that
// needs it, closed by a small thread after it has lain unused for the idle
// time, and opened again without a word when the server dropped it.

#include "store/error.h"
#include "store/server/postgres.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace store {

class Link
{
public:
    explicit Link(QString connectionString);
    ~Link() noexcept;
    Link(const Link &) = delete;
    Link &operator=(const Link &) = delete;

    // The link for a connection string, made on first use; one for each
    // thread when setOnePerThread(true) was called first.
    static std::shared_ptr<Link> to(const QString &connectionString);
    static void setOnePerThread(bool on);
    // How long an unused connection is kept (a minute unless changed).
    static void setIdleTimeout(std::chrono::milliseconds idle);

    // Runs op(connection) on an open connection. op only reads: when the
    // connection is lost on the way, it is opened again and op runs once more.
    template<typename Op>
    auto read(Op op)
    {
        std::unique_lock lock(m_mutex);
        const Touch touch{*this};
        for (int attempt = 0;; ++attempt) {
            openLocked();
            try {
                return op(m_connection);
            } catch (const Error &error) {
                if (error.kind() == Error::Kind::NoAnswer)
                    m_connection.close();
                if (error.kind() != Error::Kind::ConnectionLost || attempt > 0)
                    throw;
                m_connection.close();
            }
        }
    }

    // The transaction that wrote, and where: what the server is asked about
    // when the answer to its commit was lost.
    struct Written
    {
        qint64 xid = 0;
        QString timeline;
    };

    // Runs op(connection, written) in one transaction and commits it. op
    // sets written when it writes. A connection lost before the
    // commit has written nothing: op runs once more on a new connection. One
    // lost during the commit leaves the server to say whether it committed.
    template<typename Op>
    auto write(Op op)
    {
        std::unique_lock lock(m_mutex);
        const Touch touch{*this};
        using Result = decltype(op(std::declval<pg::Connection &>(), std::declval<std::optional<Written> &>()));
        for (int attempt = 0;; ++attempt) {
            openLocked();
            std::optional<Written> written;
            std::optional<Result> result;
            try {
                pg::Transaction transaction(m_connection);
                result = op(m_connection, written);
                transaction.commit();
                return *result;
            } catch (const Error &error) {
                const bool lost = error.kind() == Error::Kind::ConnectionLost;
                if (!lost && error.kind() != Error::Kind::NoAnswer)
                    throw;
                m_connection.close();
                // Lost or unanswered during the commit of a write: its answer
                // stands if it committed, and must not be written twice.
                if (result && written && committedLocked(*written, error))
                    return *result;
                // A server that did not answer is not asked the same again.
                if (attempt > 0 || !lost)
                    throw;
            }
        }
    }

    void open();
    // The server as host, port and database.
    QString description() const { return pg::describe(m_connectionString); }

private:
    using Clock = std::chrono::steady_clock;

    struct Touch
    {
        Link &link;
        // The closer is not woken: it wakes at the old deadline anyway and
        // sleeps on to the new one. Waking it at every operation cost each a
        // thread switch or two, which fifty busy clients felt.
        ~Touch() { link.m_lastUse = Clock::now(); }
    };

    // Whether the transaction committed, asked on a new connection. Throws
    // when nobody can tell: then the change may or may not be stored.
    bool committedLocked(const Written &written, const Error &lost);
    void openLocked();
    void closeWhenIdle();

    const QString m_connectionString;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    pg::Connection m_connection;
    Clock::time_point m_lastUse = Clock::now();
    bool m_stopping = false;
    std::thread m_closer;
};

} // namespace store
