// orvex-web under load, beside nginx serving a static answer of the same
// size on this machine in the same run; and suggestions at 50,000 acronyms
// on a file and on a server. Prints the figures and whether each target is
// met.
//
// web_bench --data=FOLDER --web=ORVEX_WEB [--seconds=10] [--connections=50] [--part=suggestions|lookups]
//   FOLDER holds the benchmark dictionaries (made there when missing);
//   wrk and nginx come from Debian (./bench.sh installs them). A throw-away
//   PostgreSQL cluster is started as the tests start one.

#include "benchdictionary.h"

#include "store/copy.h"
#include "store/dictionary.h"
#include "store/server/serverengine.h"
#include "support/pgcluster.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <vector>

#include <arpa/inet.h>
#include <time.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using testing_support::PgCluster;

namespace {

using Clock = std::chrono::steady_clock;

int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&address), size) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size) != 0)
        throw std::runtime_error("no free port on 127.0.0.1");
    ::close(fd);
    return ntohs(address.sin_port);
}

QString dictionaryFile(const QString &folder, quint32 size)
{
    const QString path = QDir(folder).filePath(QStringLiteral("acronyms-%1.fdb").arg(size));
    bench::makeDictionary(path, size);
    return path;
}

// The same records on the server, copied through the engines.
QString serverDictionary(PgCluster &cluster, const QString &file)
{
    const QString database = cluster.newDatabase();
    const QString connection = cluster.socket(database);
    store::createServerDictionary(connection);
    store::copyDictionary(store::Location::file(file), store::Location::server(connection));
    cluster.exec(database, QStringLiteral("VACUUM ANALYZE acronyms"));
    return connection;
}

struct Timings
{
    double first = 0; // the first suggestion, which reads the acronyms
    double median = 0;
    double p99 = 0;
    double most = 0;
    double processorP99 = 0; // this thread's processor time alone
};

double threadMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Keys one typo away from stored acronyms, and keys of nothing stored.
Timings timeSuggestions(const store::Location &where, quint32 size)
{
    store::Dictionary dictionary(where);
    std::mt19937 random(50000);
    const auto key = [&](int i) {
        QString typed = bench::acronymFor(random() % size);
        if (i % 2 == 0)
            typed[static_cast<qsizetype>(random() % static_cast<unsigned>(typed.size()))] =
                QChar(static_cast<char16_t>(u'A' + random() % 26));
        else
            typed = QStringLiteral("Q%1").arg(random() % 100000);
        return typed;
    };
    std::vector<double> wall;
    std::vector<double> processor;
    const auto time = [&](const QString &typed) {
        const double startProcessor = threadMs();
        const auto start = Clock::now();
        dictionary.suggestions(typed);
        wall.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        processor.push_back(threadMs() - startProcessor);
    };
    Timings timings;
    time(key(0));
    timings.first = wall.front();
    wall.clear();
    processor.clear();
    for (int i = 0; i < 2000; ++i)
        time(key(i));
    std::sort(wall.begin(), wall.end());
    std::sort(processor.begin(), processor.end());
    timings.median = wall[wall.size() / 2];
    timings.p99 = wall[wall.size() * 99 / 100];
    timings.most = wall.back();
    timings.processorP99 = processor[processor.size() * 99 / 100];
    return timings;
}

struct Load
{
    double perSecond = 0;
    double p50 = 0;
    double p99 = 0;
    long failed = 0; // answers other than 2xx, and socket errors
};

double milliseconds(const QString &figure)
{
    const QRegularExpressionMatch found = QRegularExpression(QStringLiteral("([0-9.]+)(us|ms|s)")).match(figure);
    const double value = found.captured(1).toDouble();
    return found.captured(2) == QLatin1String("us")  ? value / 1000
           : found.captured(2) == QLatin1String("s") ? value * 1000
                                                     : value;
}

Load wrk(const QString &url, const QString &script, int seconds, int connections)
{
    QProcess process;
    process.start(QStringLiteral("wrk"),
                  {QStringLiteral("-t2"), QStringLiteral("-c%1").arg(connections), QStringLiteral("-d%1s").arg(seconds),
                   QStringLiteral("--latency"), QStringLiteral("-s"), script, url});
    if (!process.waitForFinished((seconds + 60) * 1000) || process.exitCode() != 0)
        throw std::runtime_error("wrk failed: " + process.readAllStandardError().toStdString());
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    Load load;
    load.perSecond = QRegularExpression(QStringLiteral("Requests/sec:\\s+([0-9.]+)")).match(out).captured(1).toDouble();
    load.p50 = milliseconds(QRegularExpression(QStringLiteral("\\n\\s+50%\\s+(\\S+)")).match(out).captured(1));
    load.p99 = milliseconds(QRegularExpression(QStringLiteral("\\n\\s+99%\\s+(\\S+)")).match(out).captured(1));
    load.failed =
        QRegularExpression(QStringLiteral("Non-2xx or 3xx responses: (\\d+)")).match(out).captured(1).toLong();
    const QRegularExpressionMatch errors =
        QRegularExpression(QStringLiteral("Socket errors: connect (\\d+), read (\\d+), write (\\d+), timeout (\\d+)"))
            .match(out);
    for (int i = 1; i <= 4; ++i)
        load.failed += errors.captured(i).toLong();
    return load;
}

// A program started for the run, stopped when it goes.
class Started
{
public:
    Started(const QString &program, const QStringList &arguments, const QString &logFile)
    {
        m_process.setStandardOutputFile(logFile);
        m_process.start(program, arguments);
        if (!m_process.waitForStarted())
            throw std::runtime_error("cannot start " + program.toStdString());
    }
    ~Started()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(10000))
            m_process.kill();
        m_process.waitForFinished();
    }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
};

// Waits until something answers on the port.
void awaitPort(int port)
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool up = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
        ::close(fd);
        if (up)
            return;
        ::usleep(50000);
    }
    throw std::runtime_error("nothing answers on port " + std::to_string(port));
}

QByteArray fetch(int port, const QByteArray &target)
{
    // A request by hand: no client library is needed for one GET.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QByteArray answer;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0) {
        const QByteArray request = "GET " + target + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
        if (::send(fd, request.constData(), static_cast<size_t>(request.size()), 0) == request.size()) {
            char buffer[4096];
            for (ssize_t got; (got = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
                answer.append(buffer, got);
        }
    }
    ::close(fd);
    return answer.mid(answer.indexOf("\r\n\r\n") + 4);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QString data;
    QString web;
    int seconds = 10;
    int connections = 50;
    QString part = QStringLiteral("all");
    for (const QString &argument : QCoreApplication::arguments().mid(1)) {
        if (argument.startsWith(QLatin1String("--data=")))
            data = argument.mid(7);
        else if (argument.startsWith(QLatin1String("--web=")))
            web = argument.mid(6);
        else if (argument.startsWith(QLatin1String("--seconds=")))
            seconds = argument.mid(10).toInt();
        else if (argument.startsWith(QLatin1String("--connections=")))
            connections = argument.mid(14).toInt();
        else if (argument.startsWith(QLatin1String("--part=")))
            part = argument.mid(7);
    }
    if (data.isEmpty() || web.isEmpty()) {
        std::fprintf(stderr, "usage: web_bench --data=FOLDER --web=ORVEX_WEB [--seconds=10] [--connections=50] "
                             "[--part=suggestions|lookups]\n");
        return 2;
    }
    QDir().mkpath(data);
    PgCluster &cluster = PgCluster::instance();
    bool met = true;

    if (part != QLatin1String("lookups")) {
        std::printf("Suggestions at 50,000 acronyms: keys one typo away or of nothing stored, 2000 of each "
                    "engine, milliseconds\n\n");
        std::printf("| dictionary | first (reads the acronyms) | median | 99th percentile | most | 99th percentile of "
                    "processor time |\n|---|---:|---:|---:|---:|---:|\n");
        const QString file50k = dictionaryFile(data, 50000);
        double worstSuggestion = 0;
        for (const auto &[name, where] :
             {std::pair{"file", store::Location::file(file50k)},
              std::pair{"server", store::Location::server(serverDictionary(cluster, file50k))}}) {
            const Timings timings = timeSuggestions(where, 50000);
            worstSuggestion = std::max(worstSuggestion, timings.p99);
            std::printf("| %s | %.2f | %.3f | %.3f | %.3f | %.3f |\n", name, timings.first, timings.median, timings.p99,
                        timings.most, timings.processorP99);
            std::fflush(stdout);
        }
        std::printf(
            "\nTarget: a suggestion within 5 ms (99th percentile) on the file and on the server: %.3f ms: %s\n\n",
            worstSuggestion, worstSuggestion <= 5 ? "met" : "not met");
        met = met && worstSuggestion <= 5;
    }
    if (part != QLatin1String("suggestions")) {
        QTemporaryDir work;
        std::printf("Lookups through GET /api/v1/lookup: wrk, %d connections, %d s each, random stored acronyms; "
                    "nginx serving a static answer of the same size with the same headers, just before each\n\n",
                    connections, seconds);
        std::printf(
            "| dictionary | acronyms | nginx req/s | orvex-web req/s | ratio | nginx p99 ms | orvex-web p99 ms | "
            "ratio | orvex-web p50 ms | failed |\n|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
        std::fflush(stdout);
        double worstRate = 1e9;
        double worstTail = 0;
        for (const quint32 size : {1000u, 1000000u}) {
            const QString file = dictionaryFile(data, size);
            const QString server = serverDictionary(cluster, file);
            // Random stored acronyms for wrk to ask, each thread in its own order.
            const QString script = work.filePath(QStringLiteral("lookups-%1.lua").arg(size));
            {
                QFile lua(script);
                if (!lua.open(QIODevice::WriteOnly))
                    throw std::runtime_error("cannot write the wrk script");
                std::mt19937 random(size);
                QByteArray keys;
                for (int i = 0; i < 2000; ++i)
                    keys += '"' + bench::acronymFor(random() % size).toUtf8() + "\",";
                lua.write(
                    "local keys = {" + keys
                    + "}\nlocal i = 0\n"
                      "request = function()\n  i = i + 1\n"
                      "  return wrk.format(\"GET\", \"/api/v1/lookup?acronym=\" .. keys[(i % #keys) + 1])\nend\n");
            }
            for (const auto &[name, db] : {std::pair{"file", file}, std::pair{"server", server}}) {
                const int webPort = freePort();
                Started program(web,
                                {QStringLiteral("--db"), db, QStringLiteral("--listen"),
                                 QStringLiteral("127.0.0.1:%1").arg(webPort)},
                                QStringLiteral("/dev/null"));
                awaitPort(webPort);
                const QByteArray answer =
                    fetch(webPort, "/api/v1/lookup?acronym=" + bench::acronymFor(size / 2).toUtf8());

                // nginx with a configuration of its own, serving that answer.
                const QString root = work.filePath(QStringLiteral("nginx-%1-%2").arg(name).arg(size));
                QDir().mkpath(root);
                QFile body(root + QStringLiteral("/lookup.json"));
                if (!body.open(QIODevice::WriteOnly))
                    throw std::runtime_error("cannot write nginx's answer");
                body.write(answer);
                body.close();
                const int nginxPort = freePort();
                QFile conf(root + QStringLiteral("/nginx.conf"));
                if (!conf.open(QIODevice::WriteOnly))
                    throw std::runtime_error("cannot write nginx.conf");
                conf.write(
                    QStringLiteral(
                        "worker_processes auto; daemon off; pid %1/nginx.pid; error_log %1/error.log;\n"
                        "events { worker_connections 1024; }\n"
                        "http {\n access_log /dev/null; client_body_temp_path %1; proxy_temp_path %1;\n"
                        " fastcgi_temp_path %1; uwsgi_temp_path %1; scgi_temp_path %1;\n"
                        " server {\n  listen 127.0.0.1:%2; root %1;\n"
                        "  location /api/v1/lookup {\n   default_type \"application/json; charset=utf-8\";\n"
                        "   add_header Content-Security-Policy \"default-src 'none'; script-src 'self'; style-src "
                        "'self'; img-src 'self'; connect-src 'self'; form-action 'self'; base-uri 'none'; "
                        "frame-ancestors 'none'\";\n"
                        "   add_header X-Content-Type-Options nosniff; add_header Referrer-Policy no-referrer;\n"
                        "   add_header X-Frame-Options DENY; add_header Cache-Control no-cache;\n"
                        "   add_header Access-Control-Allow-Origin *;\n"
                        "   try_files /lookup.json =404;\n  }\n }\n}\n")
                        .arg(root)
                        .arg(nginxPort)
                        .toUtf8());
                conf.close();
                Load nginxLoad;
                {
                    Started nginx(
                        QStringLiteral("nginx"),
                        {QStringLiteral("-c"), root + QStringLiteral("/nginx.conf"), QStringLiteral("-p"), root},
                        QStringLiteral("/dev/null"));
                    awaitPort(nginxPort);
                    nginxLoad = wrk(QStringLiteral("http://127.0.0.1:%1").arg(nginxPort), script, seconds, connections);
                }
                const Load webLoad =
                    wrk(QStringLiteral("http://127.0.0.1:%1").arg(webPort), script, seconds, connections);
                const double rate = webLoad.perSecond / nginxLoad.perSecond;
                const double tail = webLoad.p99 / nginxLoad.p99;
                worstRate = std::min(worstRate, rate);
                worstTail = std::max(worstTail, tail);
                met = met && webLoad.failed == 0;
                std::printf("| %s | %u | %.0f | %.0f | %.2f | %.2f | %.2f | %.2f | %.2f | %ld |\n", name, size,
                            nginxLoad.perSecond, webLoad.perSecond, rate, nginxLoad.p99, webLoad.p99, tail, webLoad.p50,
                            webLoad.failed);
                std::fflush(stdout);
            }
        }
        std::printf(
            "\nTargets: at least half of nginx's requests a second: %.2f at worst: %s; a 99th percentile at most "
            "twice nginx's: %.2f at worst: %s\n",
            worstRate, worstRate >= 0.5 ? "met" : "not met", worstTail, worstTail <= 2 ? "met" : "not met");
        met = met && worstRate >= 0.5 && worstTail <= 2;
    }
    std::printf("Every target met: %s\n", met ? "yes" : "no");
    return 0;
}
