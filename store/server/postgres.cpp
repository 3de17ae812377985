#include "store/server/postgres.h"

#include "store/commits.h"
#include "store/error.h"
#include "store/server/connectionstring.h"
#include "store/text.h"

#include <QLibrary>
#include <QStringList>

#include <libpq-fe.h>
#ifdef _WIN32
#include <winsock2.h>
#else
#include <poll.h>
#endif

#include <chrono>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

// clang-format off
#define ORVEX_LIBPQ_FUNCTIONS \
    ORVEX_LIBPQ(PQcancel) \
    ORVEX_LIBPQ(PQclear) \
    ORVEX_LIBPQ(PQconndefaults) \
    ORVEX_LIBPQ(PQconnectdbParams) \
    ORVEX_LIBPQ(PQconnectionNeedsPassword) \
    ORVEX_LIBPQ(PQconninfoFree) \
    ORVEX_LIBPQ(PQconninfoParse) \
    ORVEX_LIBPQ(PQconsumeInput) \
    ORVEX_LIBPQ(PQdb) \
    ORVEX_LIBPQ(PQerrorMessage) \
    ORVEX_LIBPQ(PQexecParams) \
    ORVEX_LIBPQ(PQfinish) \
    ORVEX_LIBPQ(PQfreeCancel) \
    ORVEX_LIBPQ(PQgetCancel) \
    ORVEX_LIBPQ(PQgetResult) \
    ORVEX_LIBPQ(PQgetisnull) \
    ORVEX_LIBPQ(PQgetlength) \
    ORVEX_LIBPQ(PQgetvalue) \
    ORVEX_LIBPQ(PQhost) \
    ORVEX_LIBPQ(PQisBusy) \
    ORVEX_LIBPQ(PQntuples) \
    ORVEX_LIBPQ(PQparameterStatus) \
    ORVEX_LIBPQ(PQport) \
    ORVEX_LIBPQ(PQresultErrorField) \
    ORVEX_LIBPQ(PQresultErrorMessage) \
    ORVEX_LIBPQ(PQresultStatus) \
    ORVEX_LIBPQ(PQsendQueryParams) \
    ORVEX_LIBPQ(PQsocket) \
    ORVEX_LIBPQ(PQstatus) \
    ORVEX_LIBPQ(PQtransactionStatus)
// clang-format on

namespace store {

namespace {

// libpq, and with it OpenSSL, Kerberos and LDAP, take some 6 MiB of memory
// in every process that loads them. They are loaded when a server is first
// used, so that the program and the tool working on a file never pay for
// them.
struct LibPq
{
#define ORVEX_LIBPQ(name) decltype(&::name) name = nullptr;
    ORVEX_LIBPQ_FUNCTIONS
#undef ORVEX_LIBPQ
    QString problem; // why it could not be loaded; empty when it was
};

const LibPq &libpq()
{
    static const LibPq loaded = [] {
        LibPq pq;
#ifdef _WIN32
        // libpq.dll, beside the program as the zip has it.
        static QLibrary library(QStringLiteral("libpq"));
#else
        static QLibrary library(QStringLiteral("pq"), 5);
#endif
        if (!library.load()) {
            pq.problem = library.errorString();
            return pq;
        }
#define ORVEX_LIBPQ(name)                                                                                              \
    pq.name = reinterpret_cast<decltype(&::name)>(library.resolve(#name));                                             \
    if (!pq.name && pq.problem.isEmpty())                                                                              \
        pq.problem = QStringLiteral("libpq has no %1").arg(QLatin1String(#name));
        ORVEX_LIBPQ_FUNCTIONS
#undef ORVEX_LIBPQ
        return pq;
    }();
    return loaded;
}

bool libpqLoaded()
{
    return libpq().problem.isEmpty();
}

void requireLibpq(const QString &location)
{
    if (!libpqLoaded())
        throw Error::fromServer(
            Error::Kind::Unreachable, location,
            QStringLiteral("the PostgreSQL client library (libpq 5) cannot be loaded: %1").arg(libpq().problem));
}

} // namespace

} // namespace store

// Every call below goes through the library loaded on first use.
#define PQcancel (::store::libpq().PQcancel)
#define PQclear (::store::libpq().PQclear)
#define PQconndefaults (::store::libpq().PQconndefaults)
#define PQconnectdbParams (::store::libpq().PQconnectdbParams)
#define PQconnectionNeedsPassword (::store::libpq().PQconnectionNeedsPassword)
#define PQconninfoFree (::store::libpq().PQconninfoFree)
#define PQconninfoParse (::store::libpq().PQconninfoParse)
#define PQconsumeInput (::store::libpq().PQconsumeInput)
#define PQdb (::store::libpq().PQdb)
#define PQerrorMessage (::store::libpq().PQerrorMessage)
#define PQexecParams (::store::libpq().PQexecParams)
#define PQfinish (::store::libpq().PQfinish)
#define PQfreeCancel (::store::libpq().PQfreeCancel)
#define PQgetCancel (::store::libpq().PQgetCancel)
#define PQgetResult (::store::libpq().PQgetResult)
#define PQgetisnull (::store::libpq().PQgetisnull)
#define PQgetlength (::store::libpq().PQgetlength)
#define PQgetvalue (::store::libpq().PQgetvalue)
#define PQhost (::store::libpq().PQhost)
#define PQisBusy (::store::libpq().PQisBusy)
#define PQntuples (::store::libpq().PQntuples)
#define PQparameterStatus (::store::libpq().PQparameterStatus)
#define PQport (::store::libpq().PQport)
#define PQresultErrorField (::store::libpq().PQresultErrorField)
#define PQresultErrorMessage (::store::libpq().PQresultErrorMessage)
#define PQresultStatus (::store::libpq().PQresultStatus)
#define PQsendQueryParams (::store::libpq().PQsendQueryParams)
#define PQsocket (::store::libpq().PQsocket)
#define PQstatus (::store::libpq().PQstatus)
#define PQtransactionStatus (::store::libpq().PQtransactionStatus)

namespace store::pg {

namespace {

// Whether the socket has something to read within milliseconds: 1 when it
// has, 0 when the time ran out, -1 on a fault.
int waitToRead(int socket, int milliseconds)
{
#ifdef _WIN32
    WSAPOLLFD watched{static_cast<SOCKET>(socket), POLLRDNORM, 0};
    return WSAPoll(&watched, 1, milliseconds);
#else
    pollfd watched{socket, POLLIN, 0};
    return poll(&watched, 1, milliseconds);
#endif
}

QString libpqMessage(const char *text)
{
    return QString::fromUtf8(text).trimmed();
}

// libpq reports a failed connection only in words; the server's words for a
// refused login or a missing database are the ones looked for here.
Error::Kind connectFault(pg_conn *conn, const QString &message)
{
    if (message.contains(QLatin1String("database \"")) && message.contains(QLatin1String("does not exist")))
        return Error::Kind::Missing;
    if (PQconnectionNeedsPassword(conn) || message.contains(QLatin1String("password authentication failed"))
        || message.contains(QLatin1String("no pg_hba.conf entry"))
        || message.contains(QLatin1String("permission denied"))
        || (message.contains(QLatin1String("role \"")) && message.contains(QLatin1String("does not exist"))))
        return Error::Kind::NoPermission;
    return Error::Kind::Unreachable;
}

Error::Kind statementFault(const QByteArray &state)
{
    static const struct
    {
        const char *state;
        Error::Kind kind;
    } exact[] = {
        {"42P01", Error::Kind::NoTable},     {"42703", Error::Kind::NoField},     {"42501", Error::Kind::NoPermission},
        {"25006", Error::Kind::ReadOnly},    {"53100", Error::Kind::Full},        {"54000", Error::Kind::TooBig},
        {"22021", Error::Kind::TextChanged}, {"22P05", Error::Kind::TextChanged}, {"40001", Error::Kind::Busy},
        {"40P01", Error::Kind::Busy},        {"55P03", Error::Kind::Busy},        {"58030", Error::Kind::Io},
        {"XX001", Error::Kind::Damaged},     {"XX002", Error::Kind::Damaged},     {"3D000", Error::Kind::Missing},
    };
    for (const auto &entry : exact) {
        if (state == entry.state)
            return entry.kind;
    }
    // Connection exceptions, and the server or this backend shutting down.
    if (state.startsWith("08") || state.startsWith("57P"))
        return Error::Kind::ConnectionLost;
    if (state.startsWith("28"))
        return Error::Kind::NoPermission;
    return Error::Kind::Other;
}

QString joinedHostsAndPorts(const QString &hosts, const QString &ports, const QString &database)
{
    const QStringList hostList =
        hosts.isEmpty() ? QStringList{QStringLiteral("localhost")} : hosts.split(QLatin1Char(','));
    const QStringList portList = ports.isEmpty() ? QStringList{QStringLiteral("5432")} : ports.split(QLatin1Char(','));
    QStringList servers;
    for (qsizetype i = 0; i < hostList.size(); ++i) {
        // One port serves every host, or each host has its own.
        const QString &port = portList.size() == 1 ? portList.first() : portList.value(i);
        servers << hostList.at(i) + QLatin1Char(':') + port;
    }
    return servers.join(QLatin1Char(',')) + QLatin1Char('/') + database;
}

} // namespace

QString describe(const QString &connectionString)
{
    const ConnectionString read = readConnectionString(connectionString);
    if (read.problem)
        return QStringLiteral("a server (its connection string cannot be read)");
    if (!libpqLoaded())
        return QStringLiteral("a database server");
    PQconninfoOption *parsed = PQconninfoParse(read.text.toUtf8().constData(), nullptr);
    if (!parsed)
        return QStringLiteral("(an unreadable connection string)");
    std::unique_ptr<PQconninfoOption, void (*)(PQconninfoOption *)> given(parsed, PQconninfoFree);
    std::unique_ptr<PQconninfoOption, void (*)(PQconninfoOption *)> defaults(PQconndefaults(), PQconninfoFree);
    auto value = [&](const char *keyword) {
        for (auto *options : {given.get(), defaults.get()}) {
            for (PQconninfoOption *option = options; option && option->keyword; ++option) {
                if (std::strcmp(option->keyword, keyword) == 0 && option->val && *option->val)
                    return QString::fromUtf8(option->val);
            }
        }
        return QString();
    };
    QString hosts = value("host");
    if (hosts.isEmpty())
        hosts = value("hostaddr");
    QString database = value("dbname");
    if (database.isEmpty())
        database = value("user");
    return joinedHostsAndPorts(hosts, value("port"), database);
}

QString quotedIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

Result::~Result() noexcept
{
    PQclear(m_result);
}

Result::Result(Result &&other) noexcept
    : m_result(std::exchange(other.m_result, nullptr))
{}

Result &Result::operator=(Result &&other) noexcept
{
    if (this != &other) {
        PQclear(m_result);
        m_result = std::exchange(other.m_result, nullptr);
    }
    return *this;
}

int Result::rows() const
{
    return PQntuples(m_result);
}

bool Result::isNull(int row, int column) const
{
    return PQgetisnull(m_result, row, column) == 1;
}

QString Result::text(int row, int column) const
{
    const char *value = PQgetvalue(m_result, row, column);
    const int length = PQgetlength(m_result, row, column);
    return fromStoredUtf8(std::string_view(value, static_cast<size_t>(length)));
}

std::string_view Result::utf8(int row, int column) const
{
    return std::string_view(PQgetvalue(m_result, row, column), static_cast<size_t>(PQgetlength(m_result, row, column)));
}

qint64 Result::integer(int row, int column) const
{
    return QByteArray(PQgetvalue(m_result, row, column)).toLongLong();
}

bool Result::boolean(int row, int column) const
{
    return PQgetvalue(m_result, row, column)[0] == 't';
}

Connection::Connection(const QString &connectionString)
    : m_location(describe(connectionString))
{
    const ConnectionString read = readConnectionString(connectionString);
    if (read.problem)
        throw Error::fromServer(Error::Kind::BadConnectionString, m_location,
                                QStringLiteral("the connection string cannot be read: %1").arg(*read.problem));
    requireLibpq(m_location);
    const QByteArray given = read.text.toUtf8();
    // A server that never answers would otherwise hold the window forever;
    // a connect_timeout in the string still wins, as it comes later.
    // TCP keepalives and a user timeout tell a server that went silent from
    // one that is busy, within seconds instead of the system's hours.
    const char *const keywords[] = {
        "connect_timeout",  "keepalives", "keepalives_idle",           "keepalives_interval", "keepalives_count",
        "tcp_user_timeout", "dbname",     "fallback_application_name", "client_encoding",     nullptr};
    const char *const values[] = {"5", "1", "5", "1", "3", "5000", given.constData(), "orvex", "UTF8", nullptr};
    m_conn = PQconnectdbParams(keywords, values, 1);
    if (!m_conn)
        throw Error::fromServer(Error::Kind::Other, m_location, QStringLiteral("out of memory"));
    if (PQstatus(m_conn) != CONNECTION_OK) {
        const QString message = libpqMessage(PQerrorMessage(m_conn));
        const Error::Kind kind = connectFault(m_conn, message);
        close();
        throw Error::fromServer(kind, m_location, message);
    }
    m_location = joinedHostsAndPorts(QString::fromUtf8(PQhost(m_conn)), QString::fromUtf8(PQport(m_conn)),
                                     QString::fromUtf8(PQdb(m_conn)));
    const char *encoding = PQparameterStatus(m_conn, "server_encoding");
    if (encoding && std::strcmp(encoding, "UTF8") != 0) {
        const QString message =
            QStringLiteral("the database's encoding is %1, not UTF8").arg(QString::fromUtf8(encoding));
        close();
        throw Error::fromServer(Error::Kind::NotADictionary, m_location, message);
    }
}

Connection::~Connection() noexcept
{
    close();
}

Connection::Connection(Connection &&other) noexcept
    : m_conn(std::exchange(other.m_conn, nullptr))
    , m_location(std::move(other.m_location))
    , m_answerWithin(other.m_answerWithin)
    , m_heldBy(other.m_heldBy)
{}

Connection &Connection::operator=(Connection &&other) noexcept
{
    if (this != &other) {
        close();
        m_conn = std::exchange(other.m_conn, nullptr);
        m_location = std::move(other.m_location);
        m_answerWithin = other.m_answerWithin;
        m_heldBy = other.m_heldBy;
    }
    return *this;
}

void Connection::close() noexcept
{
    if (m_conn)
        PQfinish(std::exchange(m_conn, nullptr));
}

bool Connection::hasGoneAway() const
{
    if (!m_conn || PQstatus(m_conn) != CONNECTION_OK)
        return true;
    // Between statements the server sends nothing unasked but its goodbye.
    return waitToRead(PQsocket(m_conn), 0) != 0;
}

Result Connection::exec(const char *sql, std::initializer_list<Param> params)
{
    return exec(sql, QList<Param>(params));
}

Result Connection::exec(const char *sql, const QList<Param> &params)
{
    if (!m_conn)
        throw Error::fromServer(Error::Kind::ConnectionLost, m_location, QStringLiteral("the connection is closed"));
    std::vector<const char *> values;
    values.reserve(params.size());
    for (const Param &param : params) {
        // Parameters travel as C strings, and the server's text has no NUL.
        if (param.utf8().contains('\0'))
            throw Error::fromServer(Error::Kind::TextChanged, m_location,
                                    QStringLiteral("the server cannot store the character U+0000"));
        values.push_back(param.isNull() ? nullptr : param.utf8().constData());
    }
    pg_result *result = m_answerWithin.count() > 0 ? answerWithin(sql, values)
                                                   : PQexecParams(m_conn, sql, static_cast<int>(values.size()), nullptr,
                                                                  values.data(), nullptr, nullptr, 0);
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail(result);
    return Result(result);
}

pg_result *Connection::answerWithin(const char *sql, const std::vector<const char *> &values)
{
    if (!PQsendQueryParams(m_conn, sql, static_cast<int>(values.size()), nullptr, values.data(), nullptr, nullptr, 0))
        fail(nullptr);
    if (!answered(std::chrono::steady_clock::now() + m_answerWithin))
        unanswered(sql);
    return lastResult();
}

bool Connection::answered(std::chrono::steady_clock::time_point deadline)
{
    while (PQisBusy(m_conn)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        const int ready = left.count() > 0 ? waitToRead(PQsocket(m_conn), static_cast<int>(left.count())) : 0;
        if (ready == 0)
            return false;
        if (ready > 0 && !PQconsumeInput(m_conn))
            fail(nullptr);
    }
    return true;
}

pg_result *Connection::lastResult()
{
    // The last result is the statement's; the ones before it were consumed.
    pg_result *last = nullptr;
    while (pg_result *next = PQgetResult(m_conn)) {
        PQclear(last);
        last = next;
    }
    return last;
}

void Connection::unanswered(const char *sql)
{
    const qint64 seconds = std::chrono::duration_cast<std::chrono::seconds>(m_answerWithin).count();
    // Asked to stop, the server rolls the statement back; a server that
    // cannot even hear that is left to drop the connection.
    if (PGcancel *cancel = PQgetCancel(m_conn)) {
        char why[256];
        PQcancel(cancel, why, sizeof why);
        PQfreeCancel(cancel);
    }
    // A commit's fate is for the caller to find out, whatever held it.
    bool held = false;
    if (m_heldBy && std::strcmp(sql, "COMMIT") != 0) {
        constexpr auto kHearing = std::chrono::seconds(1);
        const auto ask = [&](const char *question) -> pg_result * {
            if (!PQsendQueryParams(m_conn, question, 0, nullptr, nullptr, nullptr, nullptr, 0)
                || !answered(std::chrono::steady_clock::now() + kHearing))
                return nullptr;
            return lastResult();
        };
        try {
            if (answered(std::chrono::steady_clock::now() + kHearing)) {
                PQclear(lastResult());
                // The cancelled statement's transaction goes before the
                // question; the connection is dropped afterwards anyway.
                bool ready = true;
                if (PQtransactionStatus(m_conn) == PQTRANS_INERROR) {
                    pg_result *rolledBack = ask("ROLLBACK");
                    ready = rolledBack != nullptr;
                    PQclear(rolledBack);
                }
                if (pg_result *answer = ready ? ask(m_heldBy) : nullptr) {
                    held = PQresultStatus(answer) == PGRES_TUPLES_OK && PQntuples(answer) == 1
                           && PQgetvalue(answer, 0, 0)[0] == 't';
                    PQclear(answer);
                }
            }
        } catch (const Error &) {
            // Gone while asked: no answer is all there is to say.
        }
    }
    close();
    if (held)
        throw Error::fromServer(
            Error::Kind::Busy, m_location,
            QStringLiteral("the dictionary is locked by another program (no answer within %1 s)").arg(seconds));
    throw Error::fromServer(Error::Kind::NoAnswer, m_location,
                            QStringLiteral("the server did not answer within %1 s").arg(seconds));
}

void Connection::fail(pg_result *result) const
{
    const QByteArray state = result ? QByteArray(PQresultErrorField(result, PG_DIAG_SQLSTATE)) : QByteArray();
    QString message = libpqMessage(result ? PQresultErrorMessage(result) : "");
    if (message.isEmpty())
        message = libpqMessage(PQerrorMessage(m_conn));
    PQclear(result);
    Error::Kind kind = statementFault(state);
    if (state.isEmpty())
        kind = PQstatus(m_conn) == CONNECTION_BAD ? Error::Kind::ConnectionLost : Error::Kind::Other;
    throw Error::fromServer(kind, m_location, message);
}

Transaction::Transaction(Connection &connection)
    : m_connection(connection)
{
    m_connection.exec("BEGIN");
}

Transaction::~Transaction() noexcept
{
    if (m_done || !m_connection.isOpen())
        return;
    try {
        m_connection.exec("ROLLBACK");
    } catch (const Error &) {
        // A connection that failed mid-transaction has rolled back already.
    }
}

void Transaction::commit()
{
    const CommitUnderWay committing;
    m_connection.exec("COMMIT");
    m_done = true;
}

} // namespace store::pg
