#include "store/server/link.h"

#include "store/server/serversql.h"

#include <atomic>
#include <map>

namespace store {

namespace {

std::atomic<std::chrono::milliseconds::rep> idleTimeoutMs{60000};
std::atomic<bool> onePerThread{false};

} // namespace

Link::Link(QString connectionString)
    : m_connectionString(std::move(connectionString))
{}

Link::~Link() noexcept
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_closer.joinable())
        m_closer.join();
}

std::shared_ptr<Link> Link::to(const QString &connectionString)
{
    static std::mutex mutex;
    static std::map<std::pair<QString, std::thread::id>, std::shared_ptr<Link>> links;
    std::lock_guard lock(mutex);
    const std::thread::id thread = onePerThread ? std::this_thread::get_id() : std::thread::id();
    std::shared_ptr<Link> &link = links[{connectionString, thread}];
    if (!link)
        link = std::make_shared<Link>(connectionString);
    return link;
}

void Link::setOnePerThread(bool on)
{
    onePerThread = on;
}

void Link::setIdleTimeout(std::chrono::milliseconds idle)
{
    idleTimeoutMs = idle.count();
}

void Link::open()
{
    std::lock_guard lock(m_mutex);
    openLocked();
    m_lastUse = Clock::now();
    m_wake.notify_all();
}

bool Link::committedLocked(const Written &written, const Error &lost)
{
    const auto unknown = [&] {
        return Error::fromServer(
            Error::Kind::WriteUnknown, lost.location(),
            lost.engineMessage() + QStringLiteral(" (during the commit: whether the change was stored is not known)"));
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

void Link::openLocked()
{
    if (m_connection.isOpen() && !m_connection.hasGoneAway())
        return;
    m_connection.close();
    pg::Connection connection(m_connectionString);
    // A window waits for a server no longer than for a file's lock.
    connection.setAnswerWithin(std::chrono::seconds(5), serversql::heldByAnother);
    connection.exec(serversql::probe);
    m_connection = std::move(connection);
    if (!m_closer.joinable())
        m_closer = std::thread(&Link::closeWhenIdle, this);
    else
        m_wake.notify_all(); // the closer waits for an open connection
}

void Link::closeWhenIdle()
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

} // namespace store
