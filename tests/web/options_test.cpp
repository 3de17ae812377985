// orvex-web's command line and configuration file.

#include "web/options.h"

#include "support/printers.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(WebOptions, ListenTakesAddressAndPortWithIpv6InBrackets)
{
    struct Case
    {
        const char *text;
        bool ok;
        const char *host;
        int port;
    };
    for (const Case &c : {
             Case{"127.0.0.1:8077", true, "127.0.0.1", 8077},
             Case{"0.0.0.0:80", true, "0.0.0.0", 80},
             Case{"[::1]:9000", true, "[::1]", 9000},
             Case{"localhost:0", true, "localhost", 0},
             Case{"::1:9000", false, "", 0},
             Case{"8077", false, "", 0},
             Case{":8077", false, "", 0},
             Case{"host:70000", false, "", 0},
             Case{"host:http", false, "", 0},
         }) {
        QString host;
        int port = -1;
        EXPECT_EQ(web::parseListen(QString::fromUtf8(c.text), host, port), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(host, QString::fromUtf8(c.host));
            EXPECT_EQ(port, c.port);
        }
    }
}

TEST(WebOptions, TheCommandLineWinsOverTheFileAndMistakesAreNamed)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("web.conf"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# the team's dictionary\n\ndb = host=db.example.org dbname=orvex user=reader\n"
               "listen = 0.0.0.0:8080\nthreads = 6\n");
    file.close();

    const web::ParsedOptions fromFile = web::parseOptions({QStringLiteral("--config"), path});
    ASSERT_EQ(fromFile.problem, QString());
    EXPECT_EQ(fromFile.options.db, QStringLiteral("host=db.example.org dbname=orvex user=reader"));
    EXPECT_EQ(fromFile.options.host, QStringLiteral("0.0.0.0"));
    EXPECT_EQ(fromFile.options.port, 8080);
    EXPECT_EQ(fromFile.options.threads, 6);

    const web::ParsedOptions both = web::parseOptions(
        {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:9"), QStringLiteral("--config"), path});
    EXPECT_EQ(both.options.host, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(both.options.port, 9);
    EXPECT_EQ(both.options.threads, 6);

    const web::ParsedOptions none = web::parseOptions({});
    EXPECT_EQ(none.problem, QString());
    EXPECT_EQ(none.options.host, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(none.options.port, web::kDefaultPort);

    struct Case
    {
        QStringList arguments;
        const char *problem;
    };
    for (const Case &c : {
             Case{{QStringLiteral("--db")}, "--db needs a value"},
             Case{{QStringLiteral("--port"), QStringLiteral("1")}, "unknown option --port"},
             Case{{QStringLiteral("--listen"), QStringLiteral("8077")}, "listen takes ADDRESS:PORT"},
             Case{{QStringLiteral("--threads"), QStringLiteral("0")}, "threads takes a whole number from 1 up"},
             Case{{QStringLiteral("--tls-cert"), QStringLiteral("c.pem")}, "TLS needs both tls-cert and tls-key"},
             Case{{QStringLiteral("--config"), folder.filePath(QStringLiteral("missing.conf"))}, "missing.conf: "},
         }) {
        const QString problem = web::parseOptions(c.arguments).problem;
        EXPECT_TRUE(problem.contains(QString::fromUtf8(c.problem))) << problem.toStdString();
    }

    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("port = 80\n");
    file.close();
    EXPECT_EQ(web::parseOptions({QStringLiteral("--config"), path}).problem,
              path + QStringLiteral(":6: not an option: port = 80"));
}

} // namespace
