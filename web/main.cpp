// orvex-web: the dictionary read in a browser. See web/options.cpp for the
// command line and docs/web.md for running it behind a proxy.

#include "messages/storefaults.h"
#include "platform/programfolder.h"
#include "store/dictionary.h"
#include "store/engine.h"
#include "store/location.h"
#include "web/http.h"
#include "web/options.h"
#include "web/site.h"

#include <QCoreApplication>
#include <QFile>

#include <csignal>
#include <cstdio>
#include <mutex>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace {

// A whole line in one write, so that lines from many threads never mix.
void writeLine(int fd, const std::string &line)
{
    const std::string text = line + '\n';
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written <= 0)
            return;
        done += static_cast<std::size_t>(written);
    }
}

void say(const QString &text)
{
    writeLine(STDERR_FILENO, QStringLiteral("orvex-web: %1").arg(text).toStdString());
}

// A fault said once until another one comes or a minute has passed: a
// dictionary that is gone would otherwise fill the log with one line for
// every request.
class FaultLog
{
public:
    void operator()(const std::string &fault)
    {
        const std::lock_guard lock(m_mutex);
        const auto now = std::chrono::steady_clock::now();
        if (fault == m_last && now - m_said < std::chrono::minutes(1))
            return;
        m_last = fault;
        m_said = now;
        writeLine(STDERR_FILENO, "orvex-web: " + fault);
    }

private:
    std::mutex m_mutex;
    std::string m_last;
    std::chrono::steady_clock::time_point m_said;
};

std::string readPem(const QString &path, QString &problem)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        problem = QStringLiteral("%1: %2").arg(path, file.errorString());
        return {};
    }
    return file.readAll().toStdString();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const web::ParsedOptions parsed = web::parseOptions(QCoreApplication::arguments().mid(1));
    const web::WebOptions &options = parsed.options;
    if (options.help) {
        std::fputs(web::usage().toUtf8().constData(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("orvex-web %s\n", ORVEX_VERSION);
        return 0;
    }
    if (!parsed.problem.isEmpty()) {
        say(parsed.problem);
        std::fputs("Try orvex-web --help for more.\n", stderr);
        return 2;
    }

    web::ServerOptions server;
    server.host = options.host.toStdString();
    server.port = options.port;
    server.threads =
        options.threads > 0 ? options.threads : std::max(2, static_cast<int>(std::thread::hardware_concurrency()));
    server.maxConnections = static_cast<unsigned>(options.maxConnections);
    server.maxConnectionsPerClient = std::max(1u, server.maxConnections / 2);
    if (!options.tlsCertificate.isEmpty()) {
        QString problem;
        server.tlsCertificate = readPem(options.tlsCertificate, problem);
        server.tlsKey = readPem(options.tlsKey, problem);
        if (!problem.isEmpty()) {
            say(problem);
            return 1;
        }
    }
    server.accessLog = [](const std::string &line) { writeLine(STDOUT_FILENO, line); };
    server.errorLog = [](const std::string &message) { writeLine(STDERR_FILENO, "orvex-web: " + message); };

    const store::Location location = options.db.isEmpty()
                                         ? store::dictionaryBeside(QString::fromStdString(platform::programFolder()))
                                         : store::Location::parse(options.db);
    // Nothing is ever written, and each answering thread has a connection
    // of its own.
    store::setUsage(store::Usage{true, true});

    // The answering threads inherit this mask, so that the signals to stop
    // reach the wait below and nothing else.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    FaultLog faults;
    web::Site site(location, QStringLiteral(ORVEX_VERSION), [&faults](const std::string &fault) { faults(fault); });
    std::unique_ptr<web::HttpServer> http;
    try {
        http = std::make_unique<web::HttpServer>(server,
                                                 [&site](const web::Request &request) { return site.handle(request); });
    } catch (const web::ServerError &error) {
        say(QString::fromStdString(error.what()));
        return 1;
    }
    say(QStringLiteral("serving %1 at %2").arg(location.display(), QString::fromStdString(http->url())));
    // Said at once, not at the first reader's request; served all the same,
    // with 503 until it can be read.
    try {
        store::Dictionary(location).find(QStringLiteral("READYZ"));
    } catch (const store::Error &error) {
        faults(
            QStringLiteral("%1: %2; answering 503 until it can be read")
                .arg(messages::storeFaultPlace(error), messages::storeFaultReason(error, messages::Wording::Terminal))
                .toStdString());
    }

    int signal = 0;
    sigwait(&stop, &signal);
    http.reset();
    say(QStringLiteral("stopped"));
    return 0;
}
