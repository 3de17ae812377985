#include "store/server/serverengine.h"

#include "store/server/link.h"
#include "store/server/postgres.h"
#include "store/server/serversql.h"

#include <utility>

namespace store {

namespace {

class ServerEngine final : public Engine
{
public:
    explicit ServerEngine(QString connectionString)
        : m_connectionString(std::move(connectionString))
    {}

    QString description() const override { return describeServer(m_connectionString); }
    std::unique_ptr<Backend> open() override { return openServerBackend(m_connectionString); }
    void forEachRecord(const RecordVisitor &visit, const ChangeVisitor &changes) override
    {
        forEachServerRecord(m_connectionString, visit, changes);
    }
    void forEachOutline(const OutlineVisitor &visit) override { forEachServerOutline(m_connectionString, visit); }
    std::unique_ptr<BulkWriter> bulkWriter(qint64) override { return openServerBulkWriter(m_connectionString); }
    std::unique_ptr<CopyTarget> copyTarget() override { return openServerCopyTarget(m_connectionString); }

    QString create() override
    {
        createServerDictionary(m_connectionString);
        return QStringLiteral("table acronyms on %1").arg(description());
    }

    QString grants(const QString &readerRole, const QString &writerRole) const override
    {
        return serverGrants(readerRole, writerRole);
    }

    void startHistory() override { startServerHistory(m_connectionString); }
    QList<Change> history(const HistoryFilter &filter) override { return serverHistory(m_connectionString, filter); }
    Undone undo(qint64 number, bool force) override { return undoServerChange(m_connectionString, number, force); }
    qint64 pruneHistory(int days) override { return pruneServerHistory(m_connectionString, days); }
    HistorySize historySize() override { return serverHistorySize(m_connectionString); }

private:
    QString m_connectionString;
};

} // namespace

std::unique_ptr<Engine> makeServerEngine(const QString &connectionString)
{
    return std::make_unique<ServerEngine>(connectionString);
}

QString describeServer(const QString &connectionString)
{
    return pg::describe(connectionString);
}

void setServerIdleTimeout(std::chrono::milliseconds idle)
{
    Link::setIdleTimeout(idle);
}

void createServerDictionary(const QString &connectionString)
{
    pg::Connection connection(connectionString);
    pg::Transaction transaction(connection);
    // Asked first, so that an existing table is said in words rather than
    // as the server's "relation already exists".
    if (connection.exec(serversql::tableExists).boolean(0, 0))
        throw Error::fromServer(Error::Kind::Exists, connection.location(),
                                QStringLiteral("table acronyms already exists"));
    connection.exec(serversql::createTable);
    connection.exec(serversql::createIndex);
    addServerHistory(connection);
    transaction.commit();
}

QString serverGrants(const QString &readerRole, const QString &writerRole)
{
    const QString reader = pg::quotedIdentifier(readerRole);
    const QString writer = pg::quotedIdentifier(writerRole);
    return QStringLiteral("GRANT SELECT ON acronyms TO %1;\n"
                          "GRANT SELECT, INSERT, UPDATE ON acronyms TO %2;\n"
                          "GRANT USAGE ON SEQUENCE acronyms_id_seq TO %2;\n"
                          "-- The history of changes: the writer reads it to undo a change; nobody but the\n"
                          "-- table's owner may change or prune it. It says who changed what: the reader\n"
                          "-- reads it only if you also run the line after this one without its dashes.\n"
                          "GRANT SELECT ON acronyms_history TO %2;\n"
                          "-- GRANT SELECT ON acronyms_history TO %1;\n")
        .arg(reader, writer);
}

} // namespace store
