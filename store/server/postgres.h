#pragma once

// A thin RAII layer over libpq. Every failure surfaces as store::Error with
// the server named by host, port and database, never by its password.
// <libpq-fe.h> stays inside the .cpp files.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <chrono>
#include <initializer_list>
#include <vector>
#include <string_view>

struct pg_conn;
struct pg_result;

namespace store::pg {

class Result
{
public:
    explicit Result(pg_result *result) noexcept
        : m_result(result)
    {}
    ~Result() noexcept;
    Result(Result &&other) noexcept;
    Result &operator=(Result &&other) noexcept;
    Result(const Result &) = delete;
    Result &operator=(const Result &) = delete;

    int rows() const;
    bool isNull(int row, int column) const;
    // A value without one reads as "".
    QString text(int row, int column) const;
    // The value's bytes as the server sent them, valid while the result is.
    std::string_view utf8(int row, int column) const;
    qint64 integer(int row, int column) const;
    bool boolean(int row, int column) const;

private:
    pg_result *m_result = nullptr;
};

// One parameter, sent as UTF-8 text, or without a value (SQL NULL).
class Param
{
public:
    Param(const QString &text)
        : m_utf8(text.toUtf8())
    {}
    Param(qint64 value)
        : m_utf8(QByteArray::number(value))
    {}
    static Param null() { return Param(); }
    // Text that is UTF-8 already, sent as it stands.
    static Param utf8(std::string_view text)
    {
        Param param;
        param.m_null = false;
        param.m_utf8 = QByteArray(text.data(), static_cast<qsizetype>(text.size()));
        return param;
    }
    bool isNull() const { return m_null; }
    const QByteArray &utf8() const { return m_utf8; }

private:
    Param()
        : m_null(true)
    {}

    QByteArray m_utf8;
    bool m_null = false;
};

class Connection
{
public:
    Connection() = default;
    // Connects at once; throws Error when the server cannot be used.
    explicit Connection(const QString &connectionString);
    ~Connection() noexcept;
    Connection(Connection &&other) noexcept;
    Connection &operator=(Connection &&other) noexcept;
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    bool isOpen() const { return m_conn != nullptr; }
    // Whether the server has closed the connection since the last statement
    // (a restart, a terminated backend): it says goodbye on the socket, which
    // is read here without waiting.
    bool hasGoneAway() const;
    // The server as host, port and database.
    const QString &location() const { return m_location; }

    // How long a statement may go unanswered before it is cancelled and the
    // connection dropped (Error::Kind::NoAnswer); zero waits as long as it
    // takes, as an import or a copy does. A server that hears the cancel at
    // once was waiting for another program, not stalled: heldBy, a query of
    // one boolean, then says whether another program holds what the
    // statements wait for (Error::Kind::Busy).
    void setAnswerWithin(std::chrono::milliseconds limit, const char *heldBy = nullptr)
    {
        m_answerWithin = limit;
        m_heldBy = heldBy;
    }

    // One statement with bound parameters, in the text format.
    Result exec(const char *sql, std::initializer_list<Param> params = {});
    Result exec(const char *sql, const QList<Param> &params);

    void close() noexcept;

private:
    [[noreturn]] void fail(pg_result *result) const;
    pg_result *answerWithin(const char *sql, const std::vector<const char *> &values);
    bool answered(std::chrono::steady_clock::time_point deadline);
    pg_result *lastResult();
    [[noreturn]] void unanswered(const char *sql);

    pg_conn *m_conn = nullptr;
    QString m_location;
    std::chrono::milliseconds m_answerWithin{0};
    const char *m_heldBy = nullptr;
};

// Rolls back unless committed. Held only for one operation, never while the
// program waits for the user.
class Transaction
{
public:
    explicit Transaction(Connection &connection);
    ~Transaction() noexcept;
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void commit();

private:
    Connection &m_connection;
    bool m_done = false;
};

// The server a connection string names, as host, port and database.
QString describe(const QString &connectionString);
// An SQL identifier, quoted.
QString quotedIdentifier(const QString &name);

} // namespace store::pg
