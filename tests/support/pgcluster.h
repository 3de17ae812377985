#pragma once

#include "support/tempdictionary.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace testing_support {

// A throw-away PostgreSQL cluster in a temporary folder, started on first
// use by a test program and stopped when it ends. It listens on a Unix
// socket and on 127.0.0.1 (a random free port, TLS with a certificate of
// its own authority); run as root, the server runs as user nobody. With
// ORVEX_TEST_PGBOUNCER=1 the clients' connection strings go through
// PgBouncer in transaction mode. A missing server fails the tests.
class PgCluster
{
public:
    static PgCluster &instance();
    ~PgCluster() noexcept;

    // A new, empty database.
    QString newDatabase();

    // What the program is given: the socket, or PgBouncer when it is on.
    QString client(const QString &database, const QString &user = QStringLiteral("postgres")) const;
    QString socket(const QString &database, const QString &user = QStringLiteral("postgres")) const;
    QString tcp(const QString &database, const QString &user = QStringLiteral("postgres")) const;
    bool throughPgBouncer() const { return m_bouncerPort != 0; }

    // As the superuser, over the socket, bypassing the code under test.
    void exec(const QString &database, const QString &sql, const QStringList &params = {});
    QList<QList<std::optional<QString>>> query(const QString &database, const QString &sql,
                                               const QStringList &params = {});
    void insert(const QString &database, const Row &row);
    QList<Row> rows(const QString &database);

    // The certificate authority the server's certificate comes from, and one
    // that has nothing to do with it.
    QString authority() const { return m_dir + QStringLiteral("/ca.crt"); }
    QString otherAuthority() const { return m_dir + QStringLiteral("/other.crt"); }
    QString binary(const QString &name) const;
    int port() const { return m_port; }
    // The postmaster's process id.
    long serverProcess() const;

    void restart();
    // The server stopped as an administrator stops it (fast), and started
    // again: what clients meet meanwhile is theirs to handle.
    void stop();
    void startAgain();

    // A synchronous streaming standby of this server, made with pg_basebackup.
    void addStandby();
    // Both servers, the one that takes writes found by libpq.
    QString failover(const QString &database) const;
    // The server killed with SIGKILL, every process of it at once, as a
    // machine that dies; then the standby promoted, and from here on this
    // cluster is the standby.
    void killAndPromote();

private:
    PgCluster();
    void setUp();
    void tearDown() noexcept;
    void start();
    void startPgBouncer();
    QString run(const QString &command) const;
    QString asServer(const QString &command) const;

    QString m_bin;
    QString m_dir;
    QString m_data; // the data folder of the server that takes writes
    int m_port = 0;
    int m_standbyPort = 0;
    int m_bouncerPort = 0;
    int m_databases = 0;
};

} // namespace testing_support
