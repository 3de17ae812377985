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
    // A postgresql:// or postgres:// URI, or a key=value connection string,
    // names a server; anything else is a file path, taken as it stands.
    static Location parse(const QString &text);

    Kind kind() const { return m_kind; }
    // The file path, or the connection string (which may hold a password:
    // never show it; show display()).
    const QString &target() const { return m_target; }
    // The path, or host, port and database of the server: never a password.
    QString display() const;

    bool operator==(const Location &other) const { return m_kind == other.m_kind && m_target == other.m_target; }

private:
    Location(Kind kind, QString target);

    Kind m_kind = Kind::File;
    QString m_target;
};

// The dictionary of a program in folder: the server named in nym2.server
// when that file lies there, otherwise nym2.fdb. The separator goes on
// without looking at how the folder ends.
Location dictionaryBeside(const QString &folder);

} // namespace store
