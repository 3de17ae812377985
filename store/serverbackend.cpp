#include "store/backend.h"
#include "store/postgres.h"
#include "store/server.h"
#include "store/serversql.h"

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

namespace store {

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<std::chrono::milliseconds::rep> idleTimeoutMs{60000};

// The program's one connection to a server, shared by every Dictionary on
// the same connection string. It is opened by the first operation that
// needs it, closed by a small thread after it has lain unused for the idle
// time, and opened again without a word when the server dropped it.
class Link
{
public:
    explicit Link(QString connectionString)
        : m_connectionString(std::move(connectionString))
    {}

    ~Link() noexcept
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        if (m_closer.joinable())
            m_closer.join();
    }

    Link(const Link &) = delete;
    Link &operator=(const Link &) = delete;

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
                if (error.kind() != Error::Kind::ConnectionLost)
                    throw;
                m_connection.close();
                // Lost during the commit of a write: its answer stands if it
                // committed, and must not be written twice.
                if (result && written && committedLocked(*written, error))
                    return *result;
                if (attempt > 0)
                    throw;
            }
        }
    }

    void open()
    {
        std::lock_guard lock(m_mutex);
        openLocked();
        m_lastUse = Clock::now();
        m_wake.notify_all();
    }

private:
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
    bool committedLocked(const Written &written, const Error &lost)
    {
        const auto unknown = [&] {
            return Error::fromServer(
                Error::Kind::WriteUnknown, lost.location(),
                lost.engineMessage()
                    + QStringLiteral(" (during the commit: whether the change was stored is not known)"));
        };
        try {
            for (int wait = 0; wait < 100; ++wait) {
                openLocked();
                const pg::Result status = m_connection.exec(serversql::transactionStatus, {written.xid});
                // Another server now (a promoted standby): the id may be another's.
                if (status.isNull(0, 0) || status.text(0, 1) != written.timeline)
                    throw unknown();
                const QString answer = status.text(0, 0);
                if (answer != QLatin1String("in progress"))
                    return answer == QLatin1String("committed");
                // The old backend may still be finishing its commit.
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        } catch (const Error &) {
            throw unknown();
        }
        throw unknown();
    }

    void openLocked()
    {
        if (m_connection.isOpen() && !m_connection.hasGoneAway())
            return;
        m_connection.close();
        pg::Connection connection(m_connectionString);
        connection.exec(serversql::probe);
        m_connection = std::move(connection);
        if (!m_closer.joinable())
            m_closer = std::thread(&Link::closeWhenIdle, this);
        else
            m_wake.notify_all(); // the closer waits for an open connection
    }

    void closeWhenIdle()
    {
        std::unique_lock lock(m_mutex);
        while (!m_stopping) {
            if (!m_connection.isOpen()) {
                m_wake.wait(lock);
                continue;
            }
            const auto deadline = m_lastUse + std::chrono::milliseconds(idleTimeoutMs.load());
            if (Clock::now() >= deadline)
                m_connection.close();
            else
                m_wake.wait_until(lock, deadline);
        }
    }

    const QString m_connectionString;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    pg::Connection m_connection;
    Clock::time_point m_lastUse = Clock::now();
    bool m_stopping = false;
    std::thread m_closer;
};

std::shared_ptr<Link> linkFor(const QString &connectionString)
{
    static std::mutex mutex;
    static std::map<QString, std::shared_ptr<Link>> links;
    std::lock_guard lock(mutex);
    std::shared_ptr<Link> &link = links[connectionString];
    if (!link)
        link = std::make_shared<Link>(connectionString);
    return link;
}

Entry entryAt(const pg::Result &result, int row)
{
    return Entry{result.integer(row, 0), result.text(row, 1), result.text(row, 2)};
}

// A role without write rights is refused as a read-only dictionary is.
[[noreturn]] void rethrowForWrite(const Error &error)
{
    if (error.kind() == Error::Kind::NoPermission)
        throw Error::fromServer(Error::Kind::ReadOnly, error.location(), error.engineMessage());
    throw error;
}

class ServerBackend final : public Backend
{
public:
    explicit ServerBackend(std::shared_ptr<Link> link)
        : m_link(std::move(link))
    {
        m_link->open();
    }

    std::optional<Entry> find(const QString &key) override
    {
        return m_link->read([&](pg::Connection &connection) -> std::optional<Entry> {
            const pg::Result result = connection.exec(serversql::find, {key});
            if (result.rows() == 0)
                return std::nullopt;
            return entryAt(result, 0);
        });
    }

    Dictionary::Added addUnlessStored(const QString &key, const QString &definition) override
    {
        try {
            return m_link->write([&](pg::Connection &connection, std::optional<Link::Written> &written) {
                connection.exec(serversql::lockKey, {key});
                const pg::Result stored = connection.exec(serversql::find, {key});
                if (stored.rows() > 0)
                    return Dictionary::Added{false, entryAt(stored, 0)};
                const pg::Result added = connection.exec(serversql::insert, {key, definition});
                written = Link::Written{added.integer(0, 3), added.text(0, 4)};
                return Dictionary::Added{true, entryAt(added, 0)};
            });
        } catch (const Error &error) {
            rethrowForWrite(error);
        }
    }

    Entry append(const Entry &entry, const QString &more) override { return update(serversql::append, entry, more); }

    Entry replace(const Entry &entry, const QString &definition) override
    {
        return update(serversql::replace, entry, definition);
    }

    void remove(const Entry &entry) override
    {
        try {
            m_link->write([&](pg::Connection &connection, std::optional<Link::Written> &written) {
                const pg::Result result = connection.exec(serversql::remove, {entry.id});
                if (result.rows() == 0)
                    throw Error::fromServer(Error::Kind::RecordGone, connection.location(),
                                            QStringLiteral("the record was removed by another program meanwhile"));
                written = Link::Written{result.integer(0, 3), result.text(0, 4)};
                return true;
            });
        } catch (const Error &error) {
            rethrowForWrite(error);
        }
    }

    QStringList acronyms(const QString &prefix) override
    {
        return m_link->read([&](pg::Connection &connection) {
            const pg::Result result = connection.exec(serversql::acronyms, {prefix});
            QStringList found;
            for (int row = 0; row < result.rows(); ++row)
                found << result.text(row, 0);
            return found;
        });
    }

    QList<Entry> searchCandidates(const QStringList &) override
    {
        return m_link->read([&](pg::Connection &connection) {
            const pg::Result result = connection.exec(serversql::withDefinitions);
            QList<Entry> found;
            for (int row = 0; row < result.rows(); ++row)
                found << entryAt(result, row);
            return found;
        });
    }

    bool isReadOnly() override
    {
        return m_link->read(
            [](pg::Connection &connection) { return connection.exec(serversql::readOnly).boolean(0, 0); });
    }

private:
    Entry update(const char *sql, const Entry &entry, const QString &text)
    {
        try {
            return m_link->write([&](pg::Connection &connection, std::optional<Link::Written> &written) {
                const pg::Result result = connection.exec(sql, {entry.id, text});
                if (result.rows() == 0)
                    throw Error::fromServer(Error::Kind::RecordGone, connection.location(),
                                            QStringLiteral("the record was removed by another program meanwhile"));
                written = Link::Written{result.integer(0, 3), result.text(0, 4)};
                return entryAt(result, 0);
            });
        } catch (const Error &error) {
            rethrowForWrite(error);
        }
    }

    std::shared_ptr<Link> m_link;
};

} // namespace

std::unique_ptr<Backend> openServerBackend(const QString &connectionString)
{
    return std::make_unique<ServerBackend>(linkFor(connectionString));
}

QString describeServer(const QString &connectionString)
{
    return pg::describe(connectionString);
}

void setServerIdleTimeout(std::chrono::milliseconds idle)
{
    idleTimeoutMs = idle.count();
}

void createServerDictionary(const QString &connectionString)
{
    pg::Connection connection(connectionString);
    pg::Transaction transaction(connection);
    connection.exec(serversql::createTable);
    connection.exec(serversql::createIndex);
    transaction.commit();
}

QString serverGrants(const QString &readerRole, const QString &writerRole)
{
    const QString reader = pg::quotedIdentifier(readerRole);
    const QString writer = pg::quotedIdentifier(writerRole);
    return QStringLiteral("GRANT SELECT ON acronyms TO %1;\n"
                          "GRANT SELECT, INSERT, UPDATE ON acronyms TO %2;\n"
                          "GRANT USAGE ON SEQUENCE acronyms_id_seq TO %2;\n")
        .arg(reader, writer);
}

} // namespace store
