#include "store/error.h"

#include <utility>

namespace store {

Error::Error(Kind kind, QString location, QString engineMessage, int engineCode)
    : std::runtime_error(QStringLiteral("%1: %2").arg(location, engineMessage).toStdString())
    , m_kind(kind)
    , m_location(std::move(location))
    , m_engineMessage(std::move(engineMessage))
    , m_engineCode(engineCode)
{}

Error Error::fromServer(Kind kind, QString location, QString engineMessage)
{
    Error error(kind, std::move(location), std::move(engineMessage));
    error.m_place = Place::Server;
    return error;
}

Error Error::about(const QString &what) const
{
    Error error(m_kind, m_location, what + QStringLiteral(": ") + m_engineMessage, m_engineCode);
    error.m_place = m_place;
    return error;
}

} // namespace store
