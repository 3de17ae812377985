// Built while no server engine is linked in: a server named in nym2.server
// is reported, never taken for a file.

#include "store/backend.h"
#include "store/bulkwriter.h"
#include "store/copy.h"
#include "store/records.h"
#include "store/server.h"

namespace store {

std::unique_ptr<Backend> openServerBackend(const QString &connectionString)
{
    throw Error::fromServer(Error::Kind::Unreachable, describeServer(connectionString),
                            QStringLiteral("this build has no server engine"));
}

QString describeServer(const QString &)
{
    return QStringLiteral("a database server");
}

void createServerDictionary(const QString &connectionString)
{
    openServerBackend(connectionString);
}

QString serverGrants(const QString &, const QString &)
{
    return {};
}

void setServerIdleTimeout(std::chrono::milliseconds) {}

qint64 copyDictionary(const Location &from, const Location &)
{
    openServerBackend(from.target());
    return 0;
}

void forEachServerRecord(const QString &connectionString, const RecordVisitor &)
{
    openServerBackend(connectionString);
}

std::unique_ptr<BulkWriter> openServerBulkWriter(const QString &connectionString)
{
    openServerBackend(connectionString);
    return nullptr;
}

} // namespace store
