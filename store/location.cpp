#include "store/location.h"

#include "store/engine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
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

Location Location::unusable(const QString &description, const QString &why)
{
    Location location(Kind::Server, QString());
    location.m_unusableWhere = description;
    location.m_unusableBecause = why;
    return location;
}

Location Location::parse(const QString &text)
{
    // The scheme in any letter case, as a URI's scheme may be written.
    if (text.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
        || text.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive))
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

namespace {

// nym2.server as editors save it: UTF-8 with or without a byte order mark,
// or UTF-16 with one (Notepad's "Unicode"); line ends of any system.
QString decoded(const QByteArray &bytes)
{
    QString text;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        text = QStringDecoder(QStringDecoder::Utf16)(bytes);
    else
        text = QString::fromUtf8(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

} // namespace

Location dictionaryBeside(const QString &folder)
{
    const QString fileName = folder + QDir::separator() + QStringLiteral("nym2.server");
    // No nym2.server (or a link to nothing): the dictionary file. One that is
    // there but cannot be used is a fault at every use, never a reason to
    // store the team's words in a file of this machine's.
    if (!QFileInfo::exists(fileName))
        return Location::file(folder + QDir::separator() + QStringLiteral("nym2.fdb"));
    QFile named(fileName);
    if (QFileInfo(fileName).isDir() || !named.open(QIODevice::ReadOnly))
        return Location::unusable(
            fileName, QStringLiteral("%1 cannot be read (%2)")
                          .arg(QDir::toNativeSeparators(fileName),
                               QFileInfo(fileName).isDir() ? QStringLiteral("it is a folder") : named.errorString()));
    // Lines starting with # are comments, so that a packaged nym2.server
    // can explain itself; one of comments alone names no server. They are
    // kept as blank lines, so that a fault is told by its line in the file.
    QStringList lines = decoded(named.readAll()).split(QLatin1Char('\n'));
    bool namesServer = false;
    for (QString &line : lines) {
        const QString content = line.trimmed();
        if (content.startsWith(QLatin1Char('#')))
            line.clear();
        else
            namesServer = namesServer || !content.isEmpty();
    }
    if (!namesServer)
        return Location::file(folder + QDir::separator() + QStringLiteral("nym2.fdb"));
    // Trailing blank lines and blanks go; leading ones stay for the count.
    QString connection = lines.join(QLatin1Char('\n'));
    while (connection.endsWith(QLatin1Char('\n')) || connection.endsWith(QLatin1Char(' '))
           || connection.endsWith(QLatin1Char('\t')))
        connection.chop(1);
    return Location::server(connection);
}

} // namespace store
