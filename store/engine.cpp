#include "store/engine.h"

#include "store/error.h"
#include "store/file/fileengine.h"
#include "store/file/files.h"
#ifdef ORVEX_SERVER_ENGINE
#include "store/server/link.h"
#include "store/server/serverengine.h"
#endif

namespace store {

QString Engine::grants(const QString &, const QString &) const
{
    return {};
}

qint64 Engine::sizeOnDisk() const
{
    return -1;
}

bool Engine::isStoredIn(const QString &) const
{
    return false;
}

#ifndef ORVEX_SERVER_ENGINE
namespace {

// A server named in a build without the server engine: said at every use,
// never taken for a file.
class NoServerEngine final : public Engine
{
public:
    QString description() const override { return QStringLiteral("a database server"); }
    std::unique_ptr<Backend> open() override { refuse(); }
    void forEachRecord(const RecordVisitor &) override { refuse(); }
    std::unique_ptr<BulkWriter> bulkWriter(qint64) override { refuse(); }
    std::unique_ptr<CopyTarget> copyTarget() override { refuse(); }
    QString create() override { refuse(); }

private:
    [[noreturn]] void refuse() const
    {
        throw Error::fromServer(Error::Kind::Unreachable, description(),
                                QStringLiteral("this build has no server engine"));
    }
};

} // namespace
#endif

std::unique_ptr<Engine> engineFor(const Location &where)
{
    switch (where.kind()) {
    case Location::Kind::File:
        return makeFileEngine(where.target());
    case Location::Kind::Server:
        break;
    }
#ifdef ORVEX_SERVER_ENGINE
    return makeServerEngine(where.target());
#else
    return std::make_unique<NoServerEngine>();
#endif
}

void setUsage(const Usage &usage)
{
    Files::instance().setReadOnly(usage.readOnly);
#ifdef ORVEX_SERVER_ENGINE
    Link::setOnePerThread(usage.connectionPerThread);
#endif
}

} // namespace store
