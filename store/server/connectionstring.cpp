#include "store/server/connectionstring.h"

#include <QStringList>

#include <algorithm>
#include <iterator>

namespace store {

namespace {

// libpq 15's settings. An unknown word is refused here rather than by libpq,
// which would quote it: after a space in an unquoted password, the word is
// the password's rest.
const char *const kSettings[] = {
    "application_name",
    "channel_binding",
    "client_encoding",
    "connect_timeout",
    "dbname",
    "fallback_application_name",
    "gssencmode",
    "gsslib",
    "host",
    "hostaddr",
    "keepalives",
    "keepalives_count",
    "keepalives_idle",
    "keepalives_interval",
    "krbsrvname",
    "load_balance_hosts",
    "options",
    "passfile",
    "password",
    "port",
    "replication",
    "require_auth",
    "requirepeer",
    "service",
    "ssl",
    "ssl_max_protocol_version",
    "ssl_min_protocol_version",
    "sslcert",
    "sslcertmode",
    "sslcompression",
    "sslcrl",
    "sslcrldir",
    "sslkey",
    "sslmode",
    "sslpassword",
    "sslrootcert",
    "sslsni",
    "target_session_attrs",
    "tcp_user_timeout",
    "user",
};

bool isSetting(const QString &word)
{
    return std::any_of(std::begin(kSettings), std::end(kSettings),
                       [&](const char *setting) { return word == QLatin1String(setting); });
}

bool isBlankChar(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QChar(0xFEFF);
}

class Reader
{
public:
    Reader(QString line, int lineNumber, qsizetype indent)
        : m_line(std::move(line))
        , m_lineNumber(lineNumber)
        , m_indent(indent)
    {}

    std::optional<QString> problem() const { return m_problem; }

    void at(qsizetype column, const char *what)
    {
        if (!m_problem)
            m_problem = QStringLiteral("line %1, column %2: %3")
                            .arg(m_lineNumber)
                            .arg(m_indent + column + 1)
                            .arg(QLatin1String(what));
    }

    void readUri(qsizetype schemeEnd)
    {
        for (qsizetype i = 0; i < m_line.size(); ++i) {
            if (m_line.at(i) == QLatin1Char('%')
                && !(i + 2 < m_line.size() && isHex(m_line.at(i + 1)) && isHex(m_line.at(i + 2))))
                return at(i, "a % not followed by two hexadecimal digits (write %25 for a %)");
        }
        const qsizetype query = m_line.indexOf(QLatin1Char('?'), schemeEnd);
        const qsizetype end = query < 0 ? m_line.size() : query;
        qsizetype slash = m_line.indexOf(QLatin1Char('/'), schemeEnd);
        if (slash < 0 || slash > end)
            slash = end;
        const QString authority = m_line.mid(schemeEnd, slash - schemeEnd);
        const qsizetype firstAt = authority.indexOf(QLatin1Char('@'));
        if (firstAt >= 0 && authority.indexOf(QLatin1Char('@'), firstAt + 1) >= 0)
            return at(schemeEnd + authority.indexOf(QLatin1Char('@'), firstAt + 1),
                      "a second @ (an @ in a user name or password is written %40)");
        if (const qsizetype late = m_line.indexOf(QLatin1Char('@'), slash); late >= 0 && late < end)
            return at(late, "an @ after a / (a / in a user name or password is written %2F)");
        // Hosts, each with an optional port: host, [v6], host:5432, a,b:5433.
        const qsizetype hostsAt = schemeEnd + firstAt + 1;
        const QString hosts = authority.mid(firstAt + 1);
        qsizetype offset = 0;
        for (const QString &host : hosts.split(QLatin1Char(','))) {
            qsizetype portAt = host.lastIndexOf(QLatin1Char(':'));
            if (host.startsWith(QLatin1Char('['))) {
                const qsizetype close = host.indexOf(QLatin1Char(']'));
                if (close < 0)
                    return at(hostsAt + offset, "a [ without its ]");
                portAt = host.indexOf(QLatin1Char(':'), close);
            }
            if (portAt >= 0) {
                for (qsizetype i = portAt + 1; i < host.size(); ++i) {
                    if (!host.at(i).isDigit())
                        return at(hostsAt + offset + i, "a port that is not a number");
                }
            }
            offset += host.size() + 1;
        }
        if (query >= 0) {
            qsizetype from = query + 1;
            for (const QString &pair : m_line.mid(query + 1).split(QLatin1Char('&'))) {
                const qsizetype equals = pair.indexOf(QLatin1Char('='));
                if (equals <= 0)
                    return at(from, "a setting without = after the ?");
                if (!isSetting(pair.left(equals)))
                    return at(from, "an unknown setting");
                from += pair.size() + 1;
            }
        }
    }

    // libpq's key=value form: words, =, values, a value in '...' when it
    // holds a blank, \ escaping the next character.
    void readSettings()
    {
        qsizetype i = 0;
        const auto skipBlanks = [&] {
            while (i < m_line.size() && isBlankChar(m_line.at(i)))
                ++i;
        };
        for (skipBlanks(); i < m_line.size(); skipBlanks()) {
            const qsizetype wordAt = i;
            while (i < m_line.size() && !isBlankChar(m_line.at(i)) && m_line.at(i) != QLatin1Char('='))
                ++i;
            const QString word = m_line.mid(wordAt, i - wordAt);
            skipBlanks();
            if (i >= m_line.size() || m_line.at(i) != QLatin1Char('='))
                return at(wordAt, "a word without = (a value with a blank in it goes in '...')");
            if (!isSetting(word))
                return at(wordAt, "an unknown setting");
            ++i;
            skipBlanks();
            const bool path = isPathSetting(word);
            if (i < m_line.size() && m_line.at(i) == QLatin1Char('\'')) {
                const qsizetype quoteAt = i++;
                for (; i < m_line.size() && m_line.at(i) != QLatin1Char('\''); ++i) {
                    if (m_line.at(i) == QLatin1Char('\\'))
                        escapeAt(i, path);
                }
                if (i >= m_line.size())
                    return at(quoteAt, "a ' without its closing '");
                ++i;
            } else {
                for (; i < m_line.size() && !isBlankChar(m_line.at(i)); ++i) {
                    if (m_line.at(i) == QLatin1Char('\\'))
                        escapeAt(i, path);
                }
            }
            if (word == QLatin1String("port")) {
                // Checked here: libpq's refusal would quote the value.
                const QString value = m_line.mid(wordAt, i - wordAt).section(QLatin1Char('='), 1).trimmed();
                for (const QString &port : value.split(QLatin1Char(','))) {
                    if (port.isEmpty() || std::any_of(port.begin(), port.end(), [](QChar c) { return !c.isDigit(); }))
                        return at(wordAt, "a port that is not a number");
                }
            }
        }
    }

    // The line as libpq must be given it: with the backslashes of Windows
    // paths doubled.
    QString libpqText() const
    {
        QString text = m_line;
        for (auto at = m_literalBackslashes.crbegin(); at != m_literalBackslashes.crend(); ++at)
            text.insert(*at, QLatin1Char('\\'));
        return text;
    }

private:
    // A Windows path written as Windows users write it (C:\Users\me\root.crt)
    // means its backslashes, which libpq would take as escapes and drop. In
    // a path a backslash escapes only another backslash or a quote.
    void escapeAt(qsizetype &i, bool path)
    {
        const bool escapes =
            i + 1 < m_line.size() && (m_line.at(i + 1) == QLatin1Char('\\') || m_line.at(i + 1) == QLatin1Char('\''));
        if (path && !escapes)
            m_literalBackslashes.append(i);
        else
            ++i;
    }

    static bool isPathSetting(const QString &word)
    {
        for (const char *setting : {"passfile", "sslcert", "sslcrl", "sslcrldir", "sslkey", "sslrootcert"}) {
            if (word == QLatin1String(setting))
                return true;
        }
        return false;
    }

    static bool isHex(QChar c)
    {
        return c.isDigit() || (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'));
    }

    QString m_line;
    int m_lineNumber;
    qsizetype m_indent;
    std::optional<QString> m_problem;
    QList<qsizetype> m_literalBackslashes;
};

} // namespace

ConnectionString readConnectionString(const QString &text)
{
    ConnectionString read;
    const QStringList lines = text.split(QLatin1Char('\n'));
    int found = -1;
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        const qsizetype first =
            std::find_if(line.begin(), line.end(), [](QChar c) { return !isBlankChar(c); }) - line.begin();
        if (first == line.size())
            continue;
        if (found >= 0) {
            read.problem = QStringLiteral("line %1, column %2: a second line (a connection string is one line)")
                               .arg(i + 1)
                               .arg(first + 1);
            return read;
        }
        found = i;
    }
    if (found < 0) {
        read.problem = QStringLiteral("line 1, column 1: no connection string");
        return read;
    }
    const QString &line = lines.at(found);
    const qsizetype indent =
        std::find_if(line.begin(), line.end(), [](QChar c) { return !isBlankChar(c); }) - line.begin();
    qsizetype last = line.size();
    while (last > indent && isBlankChar(line.at(last - 1)))
        --last;
    QString content = line.mid(indent, last - indent);
    Reader reader(content, found + 1, indent);
    qsizetype schemeEnd = -1;
    for (const char *scheme : {"postgresql://", "postgres://"}) {
        if (content.startsWith(QLatin1String(scheme), Qt::CaseInsensitive)) {
            schemeEnd = qsizetype(qstrlen(scheme));
            content.replace(0, schemeEnd, QLatin1String(scheme));
        }
    }
    if (schemeEnd >= 0)
        reader.readUri(schemeEnd);
    else
        reader.readSettings();
    read.problem = reader.problem();
    if (!read.problem)
        read.text = schemeEnd >= 0 ? content : reader.libpqText();
    return read;
}

} // namespace store
