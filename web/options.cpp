#include "web/options.h"

#include "store/text.h"

#include <QFile>
#include <QMap>

#include <functional>

namespace web {

namespace {

// Each option once: how it reads its value into the options.
using Setter = std::function<QString(WebOptions &, const QString &)>;

QString setNumber(int &target, const QString &value, int lowest, const char *name)
{
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!ok || number < lowest)
        return QStringLiteral("%1 takes a whole number from %2 up, not \"%3\"")
            .arg(QLatin1String(name))
            .arg(lowest)
            .arg(value);
    target = number;
    return {};
}

const QMap<QString, Setter> &setters()
{
    static const QMap<QString, Setter> all = {
        {QStringLiteral("db"),
         [](WebOptions &options, const QString &value) {
             options.db = value;
             return value.isEmpty() ? QStringLiteral("db names no dictionary") : QString();
         }},
        {QStringLiteral("listen"),
         [](WebOptions &options, const QString &value) {
             return parseListen(value, options.host, options.port)
                        ? QString()
                        : QStringLiteral("listen takes ADDRESS:PORT, such as 127.0.0.1:8077 or [::1]:8077, not \"%1\"")
                              .arg(value);
         }},
        {QStringLiteral("threads"),
         [](WebOptions &options, const QString &value) { return setNumber(options.threads, value, 1, "threads"); }},
        {QStringLiteral("max-connections"),
         [](WebOptions &options, const QString &value) {
             return setNumber(options.maxConnections, value, 2, "max-connections");
         }},
        {QStringLiteral("tls-cert"),
         [](WebOptions &options, const QString &value) {
             options.tlsCertificate = value;
             return QString();
         }},
        {QStringLiteral("tls-key"),
         [](WebOptions &options, const QString &value) {
             options.tlsKey = value;
             return QString();
         }},
    };
    return all;
}

// The file's lines into options, leaving alone those named in given.
QString readConfiguration(const QString &path, WebOptions &options, const QStringList &given)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QStringLiteral("%1: %2").arg(path, file.errorString());
    int number = 0;
    while (!file.atEnd()) {
        ++number;
        QString line = QString::fromUtf8(file.readLine());
        line.chop(line.endsWith(QLatin1Char('\n')) ? 1 : 0);
        line = store::trimSpaces(line);
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const QString name = store::trimSpaces(line.left(equals));
        const auto setter = setters().constFind(name);
        if (equals < 0 || setter == setters().cend())
            return QStringLiteral("%1:%2: not an option: %3").arg(path).arg(number).arg(line);
        if (given.contains(name))
            continue;
        if (const QString problem = (*setter)(options, store::trimSpaces(line.mid(equals + 1))); !problem.isEmpty())
            return QStringLiteral("%1:%2: %3").arg(path).arg(number).arg(problem);
    }
    return {};
}

} // namespace

bool parseListen(const QString &text, QString &host, int &port)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    QString address = text.left(colon);
    bool ok = false;
    const int number = text.mid(colon + 1).toInt(&ok);
    if (!ok || number < 0 || number > 65535)
        return false;
    // An IPv6 address has colons of its own, so it comes in brackets.
    if (address.contains(QLatin1Char(':'))
        && !(address.startsWith(QLatin1Char('[')) && address.endsWith(QLatin1Char(']'))))
        return false;
    host = address;
    port = number;
    return true;
}

ParsedOptions parseOptions(const QStringList &arguments)
{
    ParsedOptions parsed;
    QStringList given;
    QString configuration;
    for (qsizetype i = 0; i < arguments.size() && parsed.problem.isEmpty(); ++i) {
        const QString &word = arguments.at(i);
        if (word == QLatin1String("--help") || word == QLatin1String("-h")) {
            parsed.options.help = true;
            continue;
        }
        if (word == QLatin1String("--version")) {
            parsed.options.version = true;
            continue;
        }
        const QString name = word.startsWith(QLatin1String("--")) ? word.mid(2) : QString();
        const bool isConfiguration = name == QLatin1String("config");
        const auto setter = setters().constFind(name);
        if (!isConfiguration && setter == setters().cend()) {
            parsed.problem = QStringLiteral("unknown option %1").arg(word);
        } else if (i + 1 >= arguments.size()) {
            parsed.problem = QStringLiteral("%1 needs a value").arg(word);
        } else if (isConfiguration) {
            configuration = arguments.at(++i);
        } else {
            parsed.problem = (*setter)(parsed.options, arguments.at(++i));
            given << name;
        }
    }
    if (parsed.problem.isEmpty() && !configuration.isEmpty())
        parsed.problem = readConfiguration(configuration, parsed.options, given);
    if (parsed.problem.isEmpty() && parsed.options.tlsCertificate.isEmpty() != parsed.options.tlsKey.isEmpty())
        parsed.problem = QStringLiteral("TLS needs both tls-cert and tls-key");
    return parsed;
}

QString usage()
{
    return QStringLiteral("usage: orvex-web [--db DB] [--listen ADDRESS:PORT] [--threads N] [--max-connections N]\n"
                          "                 [--tls-cert FILE --tls-key FILE] [--config FILE]\n"
                          "       orvex-web --help | --version\n"
                          "\n"
                          "Serves the dictionary DB, read-only, as web pages and a JSON API (/api/v1/).\n"
                          "  --db DB               a dictionary file, or a postgresql:// URI or connection\n"
                          "                        string; by default the program's own, nym2.fdb (or the\n"
                          "                        server named in nym2.server) beside orvex-web\n"
                          "  --listen ADDRESS:PORT where to listen (default %1:%2, this machine only);\n"
                          "                        0.0.0.0:PORT or [::]:PORT for every network\n"
                          "  --threads N           threads that answer, each with its own connection to the\n"
                          "                        dictionary (default one a processor, at least 2); on a\n"
                          "                        server, whose answers take a round trip, 8 or more\n"
                          "  --max-connections N   clients served at once (default 256); one client holds\n"
                          "                        at most half of them\n"
                          "  --tls-cert FILE, --tls-key FILE   serve HTTPS with this PEM certificate and key\n"
                          "  --config FILE         read these options from FILE, \"name = value\" lines\n"
                          "                        (db, listen, threads, max-connections, tls-cert, tls-key);\n"
                          "                        the command line wins\n"
                          "\n"
                          "One access-log line for each request goes to standard output, faults of the\n"
                          "dictionary to standard error. SIGTERM or Ctrl+C stops it.\n")
        .arg(QLatin1String(kDefaultHost))
        .arg(kDefaultPort);
}

} // namespace web
