#include "classserver/pgconnection.h"

#include "classserver/libpqloader.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <poll.h>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

// libpq's message, first line, without where it comes from ("connection to
// server on socket ... failed:") and its "FATAL:" or "ERROR:".
QString firstLine(const char *message)
{
    QString text = QString::fromUtf8(message).trimmed().section(u'\n', 0, 0);
    const qsizetype failed = text.lastIndexOf(u"failed: "_s);
    if (failed >= 0)
        text = text.mid(failed + 8);
    for (const QString &prefix : { u"FATAL:"_s, u"ERROR:"_s }) {
        if (text.startsWith(prefix))
            text = text.mid(prefix.size());
    }
    return text.trimmed();
}

} // namespace

std::unique_ptr<PgConnection> PgConnection::open(
    const QString &conninfo, int timeoutMs, int stopFd, ClassProblem *why)
{
    if (!libpqAvailable(why))
        return nullptr;
    const QByteArray info = conninfo.toUtf8();
    // The setting is read as a whole (expand_dbname), then these are added.
    const char *const keys[]
        = { "dbname", "fallback_application_name", "client_encoding", nullptr };
    const char *const values[] = { info.constData(), "zentovia", "UTF8", nullptr };
    PGconn *raw = PQconnectStartParams(keys, values, 1);
    if (!raw) {
        *why = ClassProblem::of(ClassReason::NoMemory);
        return nullptr;
    }
    std::unique_ptr<PgConnection> connection(new PgConnection(raw, timeoutMs, stopFd));
    if (PQstatus(raw) == CONNECTION_BAD) {
        *why = connectReason(QString::fromUtf8(PQerrorMessage(raw)));
        return nullptr;
    }
    // connect_timeout applies to libpq's blocking calls only: the limit of
    // this wait is kept here.
    const QDeadlineTimer deadline(timeoutMs);
    PostgresPollingStatusType status = PGRES_POLLING_WRITING;
    while (status != PGRES_POLLING_OK) {
        if (status == PGRES_POLLING_FAILED) {
            *why = connectReason(QString::fromUtf8(PQerrorMessage(raw)));
            return nullptr;
        }
        const Wait result = connection->wait(
            status == PGRES_POLLING_READING ? POLLIN : POLLOUT, int(deadline.remainingTime()));
        if (!connection->waited(result, why))
            return nullptr;
        status = PQconnectPoll(raw);
    }
    // Sends never wait either: a frozen server's full socket is waited for
    // in poll(), with the limit.
    PQsetnonblocking(raw, 1);
    return connection;
}

PgConnection::PgConnection(PGconn *connection, int timeoutMs, int stopFd)
    : m_connection(connection)
    , m_timeoutMs(timeoutMs)
    , m_stopFd(stopFd)
{ }

PgConnection::~PgConnection()
{
    // Non-blocking: the goodbye is dropped rather than waited for.
    PQfinish(m_connection);
}

QString PgConnection::database() const
{
    return QString::fromUtf8(PQdb(m_connection));
}

QString PgConnection::text(const PGresult *result, int row, int column)
{
    return QString::fromUtf8(PQgetvalue(result, row, column));
}

qint64 PgConnection::number(const PGresult *result, int row, int column)
{
    return QByteArray(PQgetvalue(result, row, column)).toLongLong();
}

PgConnection::Wait PgConnection::wait(short events, int timeoutMs)
{
    pollfd fds[2] = { { PQsocket(m_connection), events, 0 }, { m_stopFd, POLLIN, 0 } };
    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    for (;;) {
        const int ready = poll(fds, m_stopFd >= 0 ? 2 : 1, int(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0)
            return Wait::TimedOut;
        if (m_stopFd >= 0 && fds[1].revents != 0)
            return Wait::Stopped;
        return Wait::Ready;
    }
}

bool PgConnection::waited(Wait result, ClassProblem *why)
{
    switch (result) {
    case Wait::Ready:
        return true;
    case Wait::TimedOut:
        *why = ClassProblem::of(
            ClassReason::NoReply, { QString::number((m_timeoutMs + 999) / 1000) });
        break;
    case Wait::Stopped:
        *why = ClassProblem::of(ClassReason::Stopping);
        break;
    }
    m_broken = true;
    return false;
}

bool PgConnection::lost(ClassProblem *why)
{
    m_broken = true;
    *why = ClassProblem::of(
        ClassReason::ConnectionLost, { firstLine(PQerrorMessage(m_connection)) });
    return false;
}

bool PgConnection::send(const QByteArray &sql, const QList<QByteArray> &params, ClassProblem *why)
{
    if (m_broken) {
        *why = ClassProblem::of(ClassReason::ConnectionLost);
        return false;
    }
    QList<const char *> values;
    values.reserve(params.size());
    for (const QByteArray &param : params)
        values.append(param.isNull() ? nullptr : param.constData());
    if (!PQsendQueryParams(m_connection, sql.constData(), int(values.size()), nullptr,
            values.constData(), nullptr, nullptr, 0))
        return lost(why);
    for (;;) {
        const int flushed = PQflush(m_connection);
        if (flushed == 0)
            return true;
        if (flushed < 0)
            return lost(why);
        // The server may answer (an error) before it has read everything.
        if (!waited(wait(POLLIN | POLLOUT, m_timeoutMs), why))
            return false;
        if (!PQconsumeInput(m_connection))
            return lost(why);
    }
}

bool PgConnection::next(PgResult *result, ClassProblem *why)
{
    while (PQisBusy(m_connection)) {
        if (!waited(wait(POLLIN, m_timeoutMs), why))
            return false;
        if (!PQconsumeInput(m_connection))
            return lost(why);
    }
    result->reset(PQgetResult(m_connection));
    return true;
}

PgResult PgConnection::exec(
    const QByteArray &sql, const QList<QByteArray> &params, ClassProblem *why)
{
    if (!send(sql, params, why))
        return nullptr;
    PgResult last;
    PgResult result;
    while (next(&result, why)) {
        if (!result)
            break;
        last = std::move(result);
    }
    if (m_broken)
        return nullptr;
    const ExecStatusType status = last ? PQresultStatus(last.get()) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
        return last;
    if (PQstatus(m_connection) == CONNECTION_BAD) {
        lost(why);
        return nullptr;
    }
    *why = queryReason(last.get());
    return nullptr;
}

bool PgConnection::forEachRow(const QByteArray &sql, const QList<QByteArray> &params,
    const std::function<bool(const PGresult *row)> &visit, ClassProblem *why)
{
    if (!send(sql, params, why))
        return false;
    PQsetSingleRowMode(m_connection);
    PgResult result;
    ClassProblem problem;
    while (next(&result, why)) {
        if (!result) {
            if (!problem)
                return true;
            *why = problem;
            return false;
        }
        const ExecStatusType status = PQresultStatus(result.get());
        if (status == PGRES_SINGLE_TUPLE) {
            if (!problem && !visit(result.get())) {
                // The rest is not read: the connection cannot be used again.
                m_broken = true;
                return true;
            }
        } else if (status != PGRES_TUPLES_OK && !problem) {
            if (PQstatus(m_connection) == CONNECTION_BAD)
                return lost(why);
            problem = queryReason(result.get());
        }
    }
    return false;
}

ClassProblem PgConnection::connectReason(const QString &message)
{
    const QString said = firstLine(message.toUtf8().constData());
    // libpq's own words go after the Italian, with the name it quoted.
    const auto with = [&](ClassReason reason, const QString &before = QString()) {
        QString name;
        const qsizetype from = before.isEmpty() ? -1 : message.indexOf(before);
        const qsizetype start = from < 0 ? -1 : message.indexOf(u'"', from + before.size());
        const qsizetype end = start < 0 ? -1 : message.indexOf(u'"', start + 1);
        if (end > 0)
            name = message.mid(start + 1, end - start - 1);
        return ClassProblem::of(reason, { said, name });
    };
    if (message.contains(u"password authentication failed"_s))
        return ClassProblem::of(ClassReason::PasswordRefused);
    // libpq says this one on stderr only, and then that no password came.
    const QString pgpass = qEnvironmentVariableIsSet("PGPASSFILE")
        ? qEnvironmentVariable("PGPASSFILE")
        : QDir::home().filePath(u".pgpass"_s);
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
        | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    if (message.contains(u"no password supplied"_s) && QFileInfo(pgpass).isFile()
        && (QFileInfo(pgpass).permissions() & others))
        return with(ClassReason::PgpassReadable);
    if (message.contains(u"no password supplied"_s))
        return ClassProblem::of(ClassReason::PasswordNeeded);
    if (message.contains(u"does not exist"_s) && message.contains(u"database"_s))
        return with(ClassReason::NoSuchDatabase, u"database"_s);
    if (message.contains(u"does not exist"_s) && message.contains(u"role"_s))
        return with(ClassReason::NoSuchRole, u"role"_s);
    if (message.contains(u"definition of service"_s))
        return with(ClassReason::NoSuchService, u"service"_s);
    if (message.contains(u"could not translate host name"_s))
        return with(ClassReason::UnknownHost);
    if (message.contains(u"no pg_hba.conf entry"_s))
        return with(ClassReason::NotInHba);
    if (message.contains(u"Connection refused"_s))
        return with(ClassReason::Refused);
    if (message.contains(u"No such file or directory"_s))
        return with(ClassReason::NoSocket);
    if (message.contains(u"timeout expired"_s))
        return ClassProblem::of(ClassReason::TimedOut);
    if (message.contains(u"permission denied for database"_s))
        return ClassProblem::of(ClassReason::NotAdmitted, { said });
    return ClassProblem::of(ClassReason::ServerSaid, { said });
}

ClassProblem PgConnection::queryReason(const PGresult *result)
{
    if (!result)
        return ClassProblem::of(ClassReason::NoAnswer);
    const QByteArray state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    const QString said = QString::fromUtf8(PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY));
    // 42501: insufficient privilege.
    if (state == "42501")
        return ClassProblem::of(ClassReason::NotPermitted, { said });
    // The class's database's own refusals, said in Italian (ZV...).
    if (state.startsWith("ZV"))
        return ClassProblem::of(ClassReason::ClassRefused, { said });
    return ClassProblem::of(ClassReason::ServerSaid, { said });
}

} // namespace Zentovia
