#pragma once

#include "classserver/pgconnection.h"

#include <QString>

#include <memory>

namespace Zentovia {

// The class's database on the school's server (see data/zentovia-server.sql),
// connected and checked: it holds this program's tables and nothing else, at
// the version this program knows. An earlier version is brought up to date
// when the login may (it owns the tables); a later one, a database of
// another program or one not yet prepared is not used.
class ClassDatabase
{
public:
    // The version of the tables this program reads and writes.
    static constexpr int Version = 4;

    // nullptr with *why when the server cannot be reached or the
    // database is not one to use. See PgConnection for the limits.
    static std::unique_ptr<ClassDatabase> open(
        const QString &conninfo, int timeoutMs, int stopFd, ClassProblem *why);

    PgConnection &connection() { return *m_connection; }
    // The database's random id: each computer's mark of what it sent here
    // is kept under it, so that a new database gets every answer.
    const QString &databaseId() const { return m_databaseId; }

private:
    explicit ClassDatabase(std::unique_ptr<PgConnection> connection);
    bool check(ClassProblem *why);
    bool migrate(int from, ClassProblem *why);

    std::unique_ptr<PgConnection> m_connection;
    QString m_databaseId;
};

} // namespace Zentovia
