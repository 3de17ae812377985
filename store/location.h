#pragma once

#include <QString>

namespace store {

// Where a dictionary lives: a file, or a PostgreSQL server named by a libpq
// connection string or a postgresql:// URI.
class Location
{
public:
    enum class Kind { File, Server };

    static Location file(const QString &path);
    static Location server(const QString &connectionString);
    // A server's name that cannot be used (a nym2.server that cannot be
    // read): every use is refused, saying why; description names it.
    static Location unusable(const QString &description, const QString &why);
    // A postgresql:// or postgres:// URI, or a key=value connection string,
    // names a server; anything else is a file path, taken as it stands.
    static Location parse(const QString &text);

    Kind kind() const { return m_kind; }
    // The file path, or the connection string (which may hold a password:
    // never show it; show display()).
    const QString &target() const { return m_target; }
    // The path, or host, port and database of the server: never a password.
    QString display() const;

    // Why this location cannot be used, and its description then; empty
    // when it can.
    const QString &unusableBecause() const { return m_unusableBecause; }
    const QString &unusableWhere() const { return m_unusableWhere; }

    bool operator==(const Location &other) const
    {
        return m_kind == other.m_kind && m_target == other.m_target && m_unusableBecause == other.m_unusableBecause;
    }

private:
    Location(Kind kind, QString target);

    Kind m_kind = Kind::File;
    QString m_target;
    QString m_unusableWhere;
    QString m_unusableBecause;
};

// The dictionary of a program in folder: the server named in nym2.server
// when that file lies there (UTF-8 or UTF-16, # comment lines), otherwise
// nym2.fdb. A nym2.server that cannot be read names an unusable server,
// never the file. The separator goes on without looking at how the folder
// ends.
Location dictionaryBeside(const QString &folder);

} // namespace store
