#include "store/location.h"

#include "store/engine.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <utility>

namespace store {

Location::Location(Kind kind, QString target)
    : m_kind(kind)
    , m_target(std::move(target))
{}

Location Location::file(const QString &path)
{
    return Location(Kind::File, path);
}

Location Location::server(const QString &connectionString)
{
    return Location(Kind::Server, connectionString);
}

Location Location::parse(const QString &text)
{
    if (text.startsWith(QLatin1String("postgresql://")) || text.startsWith(QLatin1String("postgres://")))
        return server(text);
    // A libpq key=value string starts with a keyword and "=": "host=db
    // dbname=words", "host=/var/run/postgresql dbname=words". A file name
    // that starts so is rare; ./name says it is a file.
    static const QRegularExpression keyword(QStringLiteral("^\\s*[A-Za-z_]+\\s*="));
    if (keyword.match(text).hasMatch())
        return server(text);
    return file(text);
}

QString Location::display() const
{
    return engineFor(*this)->description();
}

Location dictionaryBeside(const QString &folder)
{
    const QString server = folder + QDir::separator() + QStringLiteral("nym2.server");
    QFile named(server);
    if (named.open(QIODevice::ReadOnly)) {
        // Lines starting with # are comments, so that a packaged nym2.server
        // can explain itself and still name no server.
        QStringList lines;
        for (const QString &line : QString::fromUtf8(named.readAll()).split(QLatin1Char('\n'))) {
            if (!line.trimmed().isEmpty() && !line.trimmed().startsWith(QLatin1Char('#')))
                lines << line;
        }
        const QString connection = lines.join(QLatin1Char('\n')).trimmed();
        if (!connection.isEmpty())
            return Location::server(connection);
    }
    return Location::file(folder + QDir::separator() + QStringLiteral("nym2.fdb"));
}

} // namespace store
