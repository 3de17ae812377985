// Built while no server engine is linked in: a server named in nym2.server
// is reported, never taken for a file.

#include "store/backend.h"

namespace store {

std::unique_ptr<Backend> openServerBackend(const QString &connectionString)
{
    throw Error(Error::Kind::Unreachable, describeServer(connectionString),
                QStringLiteral("this build has no server engine"));
}

QString describeServer(const QString &)
{
    return QStringLiteral("a database server");
}

} // namespace store
