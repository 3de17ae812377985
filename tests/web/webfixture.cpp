#include "web/webfixture.h"

#include "web/webclient.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <random>

namespace testing_support {

WebServer::WebServer(const store::Location &dictionary, web::ServerOptions options)
{
    m_site = std::make_unique<web::Site>(dictionary, QStringLiteral("test"), [this](const std::string &fault) {
        const std::lock_guard lock(m_mutex);
        m_faults.push_back(fault);
    });
    options.port = 0;
    options.accessLog = [this](const std::string &line) {
        const std::lock_guard lock(m_mutex);
        m_accessLog.push_back(line);
    };
    m_http = std::make_unique<web::HttpServer>(options,
                                               [this](const web::Request &request) { return m_site->handle(request); });
}

WebServer::~WebServer()
{
    m_http.reset();
}

std::vector<std::string> WebServer::accessLog() const
{
    const std::lock_guard lock(m_mutex);
    return m_accessLog;
}

std::vector<std::string> WebServer::faults() const
{
    const std::lock_guard lock(m_mutex);
    return m_faults;
}

namespace {

struct ToolAnswer
{
    int code = -1;
    QString out;
    QString err;
};

ToolAnswer tool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(ORVEX_DB_PATH), arguments);
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QStringList lines(const QString &text)
{
    QStringList all = text.split(QLatin1Char('\n'));
    if (!all.isEmpty() && all.last().isEmpty())
        all.removeLast();
    return all;
}

QStringList strings(const QJsonValue &array)
{
    QStringList all;
    for (const QJsonValue &value : array.toArray())
        all << value.toString();
    return all;
}

} // namespace

void expectTheToolsAnswers(const QString &db, int port, const QStringList &keys, const QStringList &prefixes,
                           const QStringList &searches)
{
    for (const QString &key : keys) {
        SCOPED_TRACE(key.toStdString());
        const ToolAnswer found = tool({QStringLiteral("find"), QStringLiteral("--db"), db, QStringLiteral("--"), key});
        const HttpAnswer answer = get(port, withArgument("/api/v1/lookup?acronym=", key));
        if (found.code == 0) {
            ASSERT_EQ(answer.status, 200);
            EXPECT_EQ(answer.json().object().value(QStringLiteral("definition")).toString() + QLatin1Char('\n'),
                      found.out);
        } else {
            ASSERT_EQ(found.code, 1) << found.err.toStdString();
            ASSERT_EQ(answer.status, 404);
            QStringList said;
            for (const QString &line : lines(found.err).mid(1))
                said << line.mid(QStringLiteral("orvex-db: did you mean ").size()).chopped(1);
            EXPECT_EQ(strings(answer.json().object().value(QStringLiteral("suggestions"))), said);
        }
    }
    for (const QString &prefix : prefixes) {
        SCOPED_TRACE(prefix.toStdString());
        const ToolAnswer listed =
            tool({QStringLiteral("list"), QStringLiteral("--db"), db, QStringLiteral("--"), prefix});
        ASSERT_EQ(listed.code, 0) << listed.err.toStdString();
        // Small pages, so that following them is tested too.
        QStringList paged;
        QByteArray next = withArgument("/api/v1/acronyms?limit=7&prefix=", prefix);
        for (int page = 0; !next.isEmpty() && page < 1000; ++page) {
            const HttpAnswer answer = get(port, next);
            ASSERT_EQ(answer.status, 200);
            paged += strings(answer.json().object().value(QStringLiteral("acronyms")));
            next = answer.json().object().value(QStringLiteral("next")).toString().toUtf8();
        }
        EXPECT_EQ(paged, lines(listed.out));
    }
    for (const QString &words : searches) {
        SCOPED_TRACE(words.toStdString());
        const ToolAnswer searched =
            tool(QStringList{QStringLiteral("search"), QStringLiteral("--db"), db, QStringLiteral("--")}
                 + words.split(QLatin1Char(' '), Qt::SkipEmptyParts));
        QStringList paged;
        QByteArray next = withArgument("/api/v1/search?limit=3&q=", words);
        for (int page = 0; !next.isEmpty() && page < 1000; ++page) {
            const HttpAnswer answer = get(port, next);
            ASSERT_EQ(answer.status, 200);
            for (const QJsonValue &entry : answer.json().object().value(QStringLiteral("results")).toArray())
                paged << entry.toObject().value(QStringLiteral("acronym")).toString() + QStringLiteral(": ")
                             + entry.toObject().value(QStringLiteral("definition")).toString();
            next = answer.json().object().value(QStringLiteral("next")).toString().toUtf8();
        }
        EXPECT_EQ(paged, lines(searched.out));
        EXPECT_EQ(searched.code, paged.isEmpty() ? 1 : 0);
    }
}

std::vector<Stored> differentialRows()
{
    std::vector<Stored> rows = {
        {QStringLiteral("CPU"), QStringLiteral("Central Processing Unit")},
        {QStringLiteral("  CPU "), QStringLiteral("behind the first")},
        {QStringLiteral("cpu"), QStringLiteral("lower case, never found")},
        {QStringLiteral("CPX"), QStringLiteral("Central Processing unit eXtended - a second meaning")},
        {QStringLiteral("C.P.U."), QStringLiteral("dotted")},
        {QStringLiteral("10-10 EZ"), QStringLiteral("a form - with two meanings - or three")},
        {QStringLiteral("1010EX"), QStringLiteral("another form")},
        {QStringLiteral("STRAßE"), QStringLiteral("street")},
        {QStringLiteral("ÄÖÜ"), QStringLiteral("Umlaute und mehr")},
        {QStringLiteral("TAB\t"), QStringLiteral("with a tab")},
        {QStringLiteral("A B"), QStringLiteral("a space inside")},
        {QStringLiteral("AT&T"), QStringLiteral("<b>markup</b> & \"quotes\"")},
        {QStringLiteral("RAM"), QStringLiteral("Random Access Memory")},
        {QStringLiteral("ROM"), QStringLiteral("Read-Only Memory")},
    };
    // Many more, so that a listing and a search take many pages.
    std::mt19937 random(30);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
    for (int i = 0; i < 400; ++i) {
        QString acronym;
        const int length = 2 + static_cast<int>(random() % 4);
        for (int k = 0; k < length; ++k)
            acronym += letters.at(static_cast<qsizetype>(random() % static_cast<unsigned>(letters.size())));
        rows.push_back({acronym, QStringLiteral("generated meaning %1 memory unit").arg(i % 37)});
    }
    return rows;
}

} // namespace testing_support
