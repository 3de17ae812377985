#include "support/pgcluster.h"

#include "store/text.h"

#include <QDir>
#include <QFile>

#include <libpq-fe.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <vector>

namespace testing_support {

namespace {

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

QString newestServerFolder()
{
    const QDir versions(QStringLiteral("/usr/lib/postgresql"));
    QStringList found = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    std::sort(found.begin(), found.end(), [](const QString &a, const QString &b) { return a.toInt() < b.toInt(); });
    for (auto it = found.crbegin(); it != found.crend(); ++it) {
        const QString bin = versions.filePath(*it + QStringLiteral("/bin"));
        if (QFile::exists(bin + QStringLiteral("/initdb")))
            return bin;
    }
    throw std::runtime_error("no PostgreSQL server found under /usr/lib/postgresql "
                             "(./test.sh installs it with the test packages)");
}

// A value in a key=value connection string.
QString quoted(QString value)
{
    value.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

std::unique_ptr<PgCluster> &theCluster()
{
    static std::unique_ptr<PgCluster> cluster;
    return cluster;
}

struct Connection
{
    PGconn *conn;
    ~Connection() { PQfinish(conn); }
};

} // namespace

PgCluster &PgCluster::instance()
{
    // A cluster that would not start is not tried again by every test.
    static std::string failure;
    if (!failure.empty())
        throw std::runtime_error(failure);
    std::unique_ptr<PgCluster> &cluster = theCluster();
    if (!cluster) {
        try {
            cluster.reset(new PgCluster);
        } catch (const std::exception &error) {
            failure = error.what();
            throw;
        }
        // Stopped at exit even when a test ends the program early.
        std::atexit([] { theCluster().reset(); });
    }
    return *cluster;
}

PgCluster::PgCluster()
    : m_bin(newestServerFolder())
{
    char pattern[] = "/tmp/orvex-pg-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("no temporary folder");
    m_dir = QString::fromLocal8Bit(pattern);
    if (geteuid() == 0) {
        // The server refuses to run as root.
        const passwd *nobody = getpwnam("nobody");
        if (!nobody || chown(pattern, nobody->pw_uid, nobody->pw_gid) != 0)
            throw std::runtime_error("cannot hand the cluster's folder to user nobody");
    }
    m_port = freePort();
    m_data = m_dir + QStringLiteral("/data");
    try {
        setUp();
    } catch (...) {
        tearDown();
        throw;
    }
}

void PgCluster::setUp()
{
    asServer(
        QStringLiteral("%1/initdb -D %2/data -U postgres -E UTF8 --no-locale -A trust --no-sync").arg(m_bin, m_dir));
    // Two authorities: one signs the server's certificate, the other nothing.
    asServer(
        QStringLiteral("cd %1 && openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=orvex-test-ca "
                       "-keyout ca.key -out ca.crt && "
                       "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=orvex-other-ca "
                       "-keyout other.key -out other.crt && "
                       "openssl req -newkey rsa:2048 -nodes -subj /CN=localhost -keyout server.key -out server.csr && "
                       "printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\\n' > san.ext && "
                       "openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 2 "
                       "-extfile san.ext -out server.crt && chmod 600 server.key")
            .arg(m_dir));
    QFile hba(m_dir + QStringLiteral("/data/pg_hba.conf"));
    if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write pg_hba.conf");
    hba.write("local all all trust\nlocal replication all trust\n"
              "host all secret 127.0.0.1/32 scram-sha-256\n"
              "host all all 127.0.0.1/32 trust\n");
    hba.close();
    QFile conf(m_dir + QStringLiteral("/data/postgresql.conf"));
    if (!conf.open(QIODevice::Append))
        throw std::runtime_error("cannot write postgresql.conf");
    conf.write(QStringLiteral("port = %1\nlisten_addresses = '127.0.0.1'\nunix_socket_directories = '%2'\n"
                              "max_connections = 150\nfsync = off\nssl = on\n"
                              "ssl_cert_file = '%2/server.crt'\nssl_key_file = '%2/server.key'\n")
                   .arg(m_port)
                   .arg(m_dir)
                   .toUtf8());
    conf.close();
    start();
    exec(QStringLiteral("postgres"), QStringLiteral("CREATE ROLE secret LOGIN PASSWORD 'pässword''s \"quoted\"'"));
    if (qEnvironmentVariableIntValue("ORVEX_TEST_PGBOUNCER") == 1)
        startPgBouncer();
}

PgCluster::~PgCluster() noexcept
{
    tearDown();
}

void PgCluster::tearDown() noexcept
{
    auto quietly = [this](const QString &command) {
        try {
            asServer(command);
        } catch (const std::exception &) {
            // Whatever still runs goes with the folder.
        }
    };
    if (m_bouncerPort)
        quietly(QStringLiteral("kill $(cat %1/pgbouncer.pid)").arg(m_dir));
    for (const QString &data : {QStringLiteral("/data"), QStringLiteral("/standby")}) {
        if (QFile::exists(m_dir + data + QStringLiteral("/postmaster.pid")))
            quietly(QStringLiteral("%1/pg_ctl -D %2 -m immediate stop").arg(m_bin, m_dir + data));
    }
    std::system(QStringLiteral("rm -rf %1").arg(m_dir).toLocal8Bit().constData());
}

void PgCluster::start()
{
    asServer(QStringLiteral("%1/pg_ctl -D %2 -l %2.log -w start").arg(m_bin, m_data));
}

void PgCluster::stop()
{
    asServer(QStringLiteral("%1/pg_ctl -D %2 -w -m fast stop").arg(m_bin, m_data));
}

void PgCluster::startAgain()
{
    start();
}

void PgCluster::restart()
{
    asServer(QStringLiteral("%1/pg_ctl -D %2 -l %2.log -w -m fast restart").arg(m_bin, m_data));
}

void PgCluster::addStandby()
{
    m_standbyPort = freePort();
    asServer(QStringLiteral("%1/pg_basebackup -D %2/standby -R -X stream -c fast -h %2 -p %3 -U postgres && "
                            "echo 'port = %4' >> %2/standby/postgresql.conf && "
                            "%1/pg_ctl -D %2/standby -l %2/standby.log -w start")
                 .arg(m_bin, m_dir)
                 .arg(m_port)
                 .arg(m_standbyPort));
    exec(QStringLiteral("postgres"), QStringLiteral("ALTER SYSTEM SET synchronous_standby_names = '*'"));
    exec(QStringLiteral("postgres"), QStringLiteral("SELECT pg_reload_conf()"));
    for (int i = 0; i < 300; ++i) {
        if (!query(QStringLiteral("postgres"),
                   QStringLiteral("SELECT 1 FROM pg_stat_replication WHERE sync_state = 'sync'"))
                 .isEmpty())
            return;
        usleep(20000);
    }
    throw std::runtime_error("the standby never became synchronous");
}

QString PgCluster::failover(const QString &database) const
{
    return QStringLiteral("host=%1,%1 port=%2,%3 dbname=%4 user=postgres target_session_attrs=read-write")
        .arg(m_dir)
        .arg(m_port)
        .arg(m_standbyPort)
        .arg(quoted(database));
}

long PgCluster::serverProcess() const
{
    QFile pidFile(m_data + QStringLiteral("/postmaster.pid"));
    if (!pidFile.open(QIODevice::ReadOnly))
        throw std::runtime_error("the server has no pid file");
    return pidFile.readLine().trimmed().toLong();
}

void PgCluster::killAndPromote()
{
    // Its children die with it.
    run(QStringLiteral("pid=%1 && children=$(ps -o pid= --ppid $pid); "
                       "kill -9 $pid && { kill -9 $children 2>/dev/null || true; }")
            .arg(serverProcess()));
    m_data = m_dir + QStringLiteral("/standby");
    m_port = m_standbyPort;
    asServer(QStringLiteral("%1/pg_ctl -D %2 -w promote").arg(m_bin, m_data));
}

void PgCluster::startPgBouncer()
{
    m_bouncerPort = freePort();
    QFile ini(m_dir + QStringLiteral("/pgbouncer.ini"));
    if (!ini.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write pgbouncer.ini");
    ini.write(QStringLiteral("[databases]\n* = host=%1 port=%2\n"
                             "[pgbouncer]\nlisten_addr = 127.0.0.1\nlisten_port = %3\nunix_socket_dir =\n"
                             "auth_type = trust\nauth_file = %1/userlist.txt\nauth_user = postgres\n"
                             "pool_mode = transaction\n"
                             "max_client_conn = 300\ndefault_pool_size = 20\nserver_login_retry = 1\n"
                             "pidfile = %1/pgbouncer.pid\nlogfile = %1/pgbouncer.log\n")
                  .arg(m_dir)
                  .arg(m_port)
                  .arg(m_bouncerPort)
                  .toUtf8());
    ini.close();
    QFile users(m_dir + QStringLiteral("/userlist.txt"));
    // Every other role is looked up on the server by auth_query.
    if (!users.open(QIODevice::WriteOnly) || users.write("\"postgres\" \"\"\n") < 0)
        throw std::runtime_error("cannot write userlist.txt");
    users.close();
    run(QStringLiteral("chmod a+r %1/pgbouncer.ini %1/userlist.txt").arg(m_dir));
    asServer(QStringLiteral("pgbouncer -d %1/pgbouncer.ini").arg(m_dir));
    for (int i = 0; i < 50 && !QFile::exists(m_dir + QStringLiteral("/pgbouncer.pid")); ++i)
        usleep(100000);
}

QString PgCluster::binary(const QString &name) const
{
    return m_bin + QLatin1Char('/') + name;
}

QString PgCluster::run(const QString &command) const
{
    const QString log = m_dir + QStringLiteral("/command.log");
    const QByteArray line =
        (QStringLiteral("(") + command + QStringLiteral(") >") + log + QStringLiteral(" 2>&1")).toLocal8Bit();
    const int status = std::system(line.constData());
    QFile output(log);
    const QString text = output.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(output.readAll()) : QString();
    if (status != 0)
        throw std::runtime_error((command + QStringLiteral(" failed:\n") + text).toStdString());
    return text;
}

QString PgCluster::asServer(const QString &command) const
{
    if (geteuid() != 0)
        return run(command);
    QString quoted = command;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return run(QStringLiteral("runuser -u nobody -- sh -c '") + quoted + QLatin1Char('\''));
}

QString PgCluster::newDatabase()
{
    const QString name = QStringLiteral("d%1").arg(++m_databases);
    exec(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE %1").arg(name));
    return name;
}

QString PgCluster::socket(const QString &database, const QString &user) const
{
    return QStringLiteral("host=%1 port=%2 dbname=%3 user=%4")
        .arg(m_dir)
        .arg(m_port)
        .arg(quoted(database), quoted(user));
}

QString PgCluster::tcp(const QString &database, const QString &user) const
{
    return QStringLiteral("postgresql://%1@127.0.0.1:%2/%3").arg(user).arg(m_port).arg(database);
}

QString PgCluster::client(const QString &database, const QString &user) const
{
    if (m_bouncerPort)
        return QStringLiteral("host=127.0.0.1 port=%1 dbname=%2 user=%3")
            .arg(m_bouncerPort)
            .arg(quoted(database), quoted(user));
    return socket(database, user);
}

QList<QList<std::optional<QString>>> PgCluster::query(const QString &database, const QString &sql,
                                                      const QStringList &params)
{
    Connection connection{PQconnectdb(socket(database).toUtf8().constData())};
    if (PQstatus(connection.conn) != CONNECTION_OK)
        throw std::runtime_error(PQerrorMessage(connection.conn));
    std::vector<QByteArray> utf8;
    std::vector<const char *> values;
    for (const QString &param : params)
        utf8.push_back(param.toUtf8());
    for (size_t i = 0; i < utf8.size(); ++i)
        values.push_back(params.at(static_cast<qsizetype>(i)).isNull() ? nullptr : utf8[i].constData());
    // Without parameters, a script of several statements may run.
    PGresult *result = params.isEmpty()
                           ? PQexec(connection.conn, sql.toUtf8().constData())
                           : PQexecParams(connection.conn, sql.toUtf8().constData(), static_cast<int>(values.size()),
                                          nullptr, values.data(), nullptr, nullptr, 0);
    std::unique_ptr<PGresult, decltype(&PQclear)> owned(result, &PQclear);
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        throw std::runtime_error((sql + QStringLiteral(": ")).toStdString() + PQresultErrorMessage(result));
    QList<QList<std::optional<QString>>> rows;
    for (int row = 0; row < PQntuples(result); ++row) {
        QList<std::optional<QString>> fields;
        for (int column = 0; column < PQnfields(result); ++column) {
            if (PQgetisnull(result, row, column))
                fields << std::nullopt;
            else
                fields << store::fromStoredUtf8(std::string_view(
                    PQgetvalue(result, row, column), static_cast<size_t>(PQgetlength(result, row, column))));
        }
        rows << fields;
    }
    return rows;
}

void PgCluster::exec(const QString &database, const QString &sql, const QStringList &params)
{
    query(database, sql, params);
}

void PgCluster::insert(const QString &database, const Row &row)
{
    auto param = [](const auto &value) {
        if (!value)
            return QString();
        if constexpr (std::is_same_v<std::decay_t<decltype(*value)>, QString>)
            return value->isNull() ? QStringLiteral("") : *value;
        else
            return QString::number(*value);
    };
    exec(database, QStringLiteral("INSERT INTO acronyms (acronym, definition, active) VALUES ($1, $2, $3)"),
         {param(row.acronym), param(row.definition), param(row.active)});
}

QList<Row> PgCluster::rows(const QString &database)
{
    QList<Row> rows;
    for (const auto &values :
         query(database, QStringLiteral("SELECT acronym, definition, active FROM acronyms ORDER BY id"))) {
        Row row{values.at(0), values.at(1), std::nullopt};
        if (values.at(2))
            row.active = values.at(2)->toLongLong();
        rows << row;
    }
    return rows;
}

} // namespace testing_support
