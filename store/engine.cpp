#include "store/engine.h"

#include "store/error.h"
#include "store/file/fileengine.h"
#include "store/file/files.h"
#include "store/text.h"

#include <utility>
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

void Engine::forEachOutline(const OutlineVisitor &visit)
{
    forEachRecord(
        [&](const StoredRecord &record) {
            visit({record.id, record.acronym, record.definition && !trimSpaces(*record.definition).empty()});
        },
        {});
}

namespace {

// A dictionary that cannot be used at all: every use is refused, saying why.
class RefusingEngine final : public Engine
{
public:
    RefusingEngine(QString description, Error::Kind kind, QString why)
        : m_description(std::move(description))
        , m_kind(kind)
        , m_why(std::move(why))
    {}

    QString description() const override { return m_description; }
    std::unique_ptr<Backend> open() override { refuse(); }
    void forEachRecord(const RecordVisitor &, const ChangeVisitor &) override { refuse(); }
    std::unique_ptr<BulkWriter> bulkWriter(qint64) override { refuse(); }
    std::unique_ptr<CopyTarget> copyTarget() override { refuse(); }
    QString create() override { refuse(); }
    void startHistory() override { refuse(); }
    QList<Change> history(const HistoryFilter &) override { refuse(); }
    Undone undo(qint64, bool) override { refuse(); }
    qint64 pruneHistory(int) override { refuse(); }
    HistorySize historySize() override { refuse(); }

private:
    [[noreturn]] void refuse() const { throw Error::fromServer(m_kind, m_description, m_why); }

    QString m_description;
    Error::Kind m_kind;
    QString m_why;
};

} // namespace

std::unique_ptr<Engine> engineFor(const Location &where)
{
    if (!where.unusableBecause().isEmpty())
        return std::make_unique<RefusingEngine>(where.unusableWhere(), Error::Kind::BadConnectionString,
                                                where.unusableBecause());
    switch (where.kind()) {
    case Location::Kind::File:
        return makeFileEngine(where.target());
    case Location::Kind::Server:
        break;
    }
#ifdef ORVEX_SERVER_ENGINE
    return makeServerEngine(where.target());
#else
    // A server named in a build without the server engine: said at every
    // use, never taken for a file.
    return std::make_unique<RefusingEngine>(QStringLiteral("a database server"), Error::Kind::Unreachable,
                                            QStringLiteral("this build has no server engine"));
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
