// The server engine's daily operations, each one statement or one short
// transaction on the program's shared connection (link.h).

#include "store/rules.h"
#include "store/server/link.h"
#include "store/server/serverengine.h"
#include "store/server/serverrows.h"
#include "store/server/serversql.h"

#include <utility>

namespace store {

namespace {

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
            if (m_longest < 0) {
                const pg::Result result = connection.exec(serversql::find, {key});
                return result.rows() == 0 ? std::nullopt : std::optional<Entry>(entryAt(result, 0));
            }
            const pg::Result result = connection.exec(serversql::findBeginning, {key, qint64(m_longest)});
            if (result.rows() == 0)
                return std::nullopt;
            Entry entry = entryAt(result, 0);
            const qint64 size = result.integer(0, 3);
            if (size > qint64(result.utf8(0, 2).size()))
                entry.shortenedFrom = size;
            return entry;
        });
    }

    Added addUnlessStored(const QString &key, const QString &definition) override
    {
        try {
            return m_link->write([&](pg::Connection &connection, std::optional<Link::Written> &written) {
                connection.exec(serversql::lockKey, {key});
                const pg::Result stored = connection.exec(serversql::find, {key});
                if (stored.rows() > 0)
                    return Added{false, entryAt(stored, 0)};
                const pg::Result added = connection.exec(serversql::insert, {key, definition});
                written = Link::Written{added.integer(0, 3), added.text(0, 4)};
                return Added{true, entryAt(added, 0)};
            });
        } catch (const Error &error) {
            rethrowForWrite(error);
        }
    }

    Entry append(const Entry &entry, const QString &more) override
    {
        return change(serversql::append, {entry.id, joined(QString(), more)});
    }

    Entry replace(const Entry &entry, const QString &definition) override
    {
        return change(serversql::replace, {entry.id, definition});
    }

    void remove(const Entry &entry) override { change(serversql::remove, {entry.id}); }

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

    QList<Entry> searchCandidates(const QStringList &words) override
    {
        QByteArray sql = serversql::searchHead;
        QList<pg::Param> patterns;
        for (const QByteArray &pattern : searchPatterns(words)) {
            patterns << pg::Param::utf8(std::string_view(pattern.constData(), static_cast<size_t>(pattern.size())));
            sql += QByteArray(serversql::searchWord).replace("%1", QByteArray::number(patterns.size() + 2));
        }
        sql += serversql::searchOrder;
        return m_link->read([&](pg::Connection &connection) {
            QList<Entry> found;
            pg::Transaction snapshot(connection);
            connection.exec(serversql::oneMoment);
            inSizedBatches(connection, sql.constData(), patterns, [&](const pg::Result &result) {
                for (int row = 0; row < result.rows(); ++row)
                    found << entryAt(result, row);
            });
            snapshot.commit();
            return found;
        });
    }

    void forEachAcronym(const std::function<void(std::string_view)> &visit) override
    {
        const pg::Result result =
            m_link->read([](pg::Connection &connection) { return connection.exec(serversql::everyAcronym); });
        for (int row = 0; row < result.rows(); ++row)
            visit(result.utf8(row, 0));
    }

    QByteArray changeMark() override
    {
        return m_link->read([](pg::Connection &connection) {
            const pg::Result snapshot = connection.exec(serversql::snapshot);
            const std::string_view mark = snapshot.utf8(0, 0);
            return QByteArray(mark.data(), static_cast<qsizetype>(mark.size()));
        });
    }

    bool isReadOnly() override
    {
        return m_link->read(
            [](pg::Connection &connection) { return connection.exec(serversql::readOnly).boolean(0, 0); });
    }

    Error recordGone() const override
    {
        return Error::fromServer(Error::Kind::RecordGone, m_link->description(),
                                 QStringLiteral("the record was removed by another program meanwhile"));
    }

    void requireWritable() override
    {
        if (isReadOnly())
            throw Error::fromServer(Error::Kind::ReadOnly, m_link->description(), QString());
    }

private:
    // Runs one statement that changes the entry's record and gives it back
    // as written; a record removed meanwhile is reported.
    Entry change(const char *sql, std::initializer_list<pg::Param> params)
    {
        const QList<pg::Param> values(params);
        try {
            return m_link->write([&](pg::Connection &connection, std::optional<Link::Written> &written) {
                const pg::Result result = connection.exec(sql, values);
                if (result.rows() == 0)
                    throw recordGone();
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
    return std::make_unique<ServerBackend>(Link::to(connectionString));
}

} // namespace store
