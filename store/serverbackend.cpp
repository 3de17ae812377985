#include "store/backend.h"
#include "store/postgres.h"
#include "store/server.h"
#include "store/serversql.h"

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

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
    {
    }

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

    // Runs op(connection, wrote) on an open connection. op sets wrote before
    // it sends anything that may change the table; until then, a connection
    // lost on the way is opened again and op runs once more.
    template<typename Op>
    auto run(Op op)
    {
        std::unique_lock lock(m_mutex);
        struct Touch
        {
            Link &link;
            ~Touch()
            {
                link.m_lastUse = Clock::now();
                link.m_wake.notify_all();
            }
        } touch{*this};
        for (int attempt = 0;; ++attempt) {
            openLocked();
            bool wrote = false;
            try {
                return op(m_connection, wrote);
            } catch (const Error &error) {
                if (error.kind() != Error::Kind::ConnectionLost)
                    throw;
                m_connection.close();
                if (wrote || attempt > 0)
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
        throw Error(Error::Kind::ReadOnly, error.location(), error.engineMessage());
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
        return m_link->run([&](pg::Connection &connection, bool &) -> std::optional<Entry> {
            const pg::Result result = connection.exec(serversql::find, {key});
            if (result.rows() == 0)
                return std::nullopt;
            return entryAt(result, 0);
        });
    }

    Dictionary::Added addUnlessStored(const QString &key, const QString &definition) override
    {
        try {
            return m_link->run([&](pg::Connection &connection, bool &wrote) {
                pg::Transaction transaction(connection);
                connection.exec(serversql::lockKey, {key});
                const pg::Result stored = connection.exec(serversql::find, {key});
                if (stored.rows() > 0)
                    return Dictionary::Added{false, entryAt(stored, 0)};
                wrote = true;
                const pg::Result added = connection.exec(serversql::insert, {key, definition});
                transaction.commit();
                return Dictionary::Added{true, entryAt(added, 0)};
            });
        } catch (const Error &error) {
            rethrowForWrite(error);
        }
    }

    Entry append(const Entry &entry, const QString &more) override
    {
        return update(serversql::append, entry, more);
    }

    Entry replace(const Entry &entry, const QString &definition) override
    {
        return update(serversql::replace, entry, definition);
    }

    bool isReadOnly() override
    {
        return m_link->run([](pg::Connection &connection, bool &) {
            return connection.exec(serversql::readOnly).boolean(0, 0);
        });
    }

private:
    Entry update(const char *sql, const Entry &entry, const QString &text)
    {
        try {
            return m_link->run([&](pg::Connection &connection, bool &wrote) {
                wrote = true;
                const pg::Result result = connection.exec(sql, {entry.id, text});
                if (result.rows() == 0)
                    throw Error(Error::Kind::RecordGone, connection.location(),
                                QStringLiteral("no row with id %1").arg(entry.id));
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
