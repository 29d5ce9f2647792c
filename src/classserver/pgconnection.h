#pragma once

#include "classserver/classproblem.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <libpq-fe.h>

#include <functional>
#include <memory>

namespace Zentovia {

struct PgResultFree
{
    void operator()(PGresult *result) const { PQclear(result); }
};
using PgResult = std::unique_ptr<PGresult, PgResultFree>;

// One connection to PostgreSQL, through libpq's asynchronous API rather than
// Qt SQL's QPSQL driver: QPSQL waits for the server with no limit, so a
// frozen server would hold its thread, and the program's exit, for good.
// Here every wait has a limit (the server is given up when it says nothing
// for that long), and a stop descriptor that becomes readable ends any wait
// at once. Used by one thread at a time.
class PgConnection
{
public:
    // Connects within timeoutMs; nullptr with *why otherwise. stopFd may be
    // -1. The waits of the queries that follow are limited to timeoutMs too.
    static std::unique_ptr<PgConnection> open(
        const QString &conninfo, int timeoutMs, int stopFd, ClassProblem *why);
    ~PgConnection();
    PgConnection(const PgConnection &) = delete;
    PgConnection &operator=(const PgConnection &) = delete;

    // One statement, its parameters as text ($1, $2, ...; a null array is
    // SQL's NULL). nullptr on failure, with *why (NotPermitted when the
    // login may not).
    PgResult exec(const QByteArray &sql, const QList<QByteArray> &params, ClassProblem *why);
    PgResult exec(const char *sql, ClassProblem *why) { return exec(QByteArray(sql), {}, why); }
    // The rows one at a time, for a read of any size; visit returns false to
    // stop (the connection is then given up).
    bool forEachRow(const QByteArray &sql, const QList<QByteArray> &params,
        const std::function<bool(const PGresult *row)> &visit, ClassProblem *why);

    // Given up after a wait ran out, a stop or a lost server: open a new one.
    bool broken() const { return m_broken; }
    QString database() const;

    // A query's field as text, and as a number.
    static QString text(const PGresult *result, int row, int column);
    static qint64 number(const PGresult *result, int row, int column);

private:
    enum class Wait { Ready, TimedOut, Stopped };

    explicit PgConnection(PGconn *connection, int timeoutMs, int stopFd);
    Wait wait(short events, int timeoutMs);
    bool waited(Wait result, ClassProblem *why);
    bool send(const QByteArray &sql, const QList<QByteArray> &params, ClassProblem *why);
    // false on failure; *result is nullptr once every result was read.
    bool next(PgResult *result, ClassProblem *why);
    bool lost(ClassProblem *why);
    static ClassProblem connectReason(const QString &message);
    static ClassProblem queryReason(const PGresult *result);

    PGconn *m_connection;
    int m_timeoutMs;
    int m_stopFd;
    bool m_broken = false;
};

} // namespace Zentovia
