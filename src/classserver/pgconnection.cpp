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
    const QString &conninfo, int timeoutMs, int stopFd, QString *why)
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
        *why = u"memoria esaurita"_s;
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

bool PgConnection::waited(Wait result, QString *why)
{
    switch (result) {
    case Wait::Ready:
        return true;
    case Wait::TimedOut:
        *why = u"il server non risponde da %1 secondi"_s.arg((m_timeoutMs + 999) / 1000);
        break;
    case Wait::Stopped:
        *why = u"il programma si sta chiudendo"_s;
        break;
    }
    m_broken = true;
    return false;
}

bool PgConnection::lost(QString *why)
{
    m_broken = true;
    *why = u"il collegamento con il server si è interrotto (%1)"_s.arg(
        firstLine(PQerrorMessage(m_connection)));
    return false;
}

bool PgConnection::send(const QByteArray &sql, const QList<QByteArray> &params, QString *why)
{
    if (m_broken) {
        *why = u"il collegamento con il server si è interrotto"_s;
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

bool PgConnection::next(PgResult *result, QString *why)
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
    const QByteArray &sql, const QList<QByteArray> &params, QString *why, QByteArray *state)
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
    if (state && last)
        *state = PQresultErrorField(last.get(), PG_DIAG_SQLSTATE);
    *why = queryReason(last.get());
    return nullptr;
}

bool PgConnection::forEachRow(const QByteArray &sql, const QList<QByteArray> &params,
    const std::function<bool(const PGresult *row)> &visit, QString *why)
{
    if (!send(sql, params, why))
        return false;
    PQsetSingleRowMode(m_connection);
    PgResult result;
    QString problem;
    while (next(&result, why)) {
        if (!result) {
            if (problem.isEmpty())
                return true;
            *why = problem;
            return false;
        }
        const ExecStatusType status = PQresultStatus(result.get());
        if (status == PGRES_SINGLE_TUPLE) {
            if (problem.isEmpty() && !visit(result.get())) {
                // The rest is not read: the connection cannot be used again.
                m_broken = true;
                return true;
            }
        } else if (status != PGRES_TUPLES_OK && problem.isEmpty()) {
            if (PQstatus(m_connection) == CONNECTION_BAD)
                return lost(why);
            problem = queryReason(result.get());
        }
    }
    return false;
}

QString PgConnection::connectReason(const QString &message)
{
    const QString said = firstLine(message.toUtf8().constData());
    // Italian first, with what to do; libpq's own words after.
    const auto with = [&](const QString &sentence) { return u"%1 (%2)"_s.arg(sentence, said); };
    const auto quoted = [&](const QString &before) {
        const qsizetype from = message.indexOf(before);
        if (from < 0)
            return QString();
        const qsizetype start = message.indexOf(u'"', from + before.size());
        const qsizetype end = start < 0 ? -1 : message.indexOf(u'"', start + 1);
        return end < 0 ? QString() : message.mid(start + 1, end - start - 1);
    };
    if (message.contains(u"password authentication failed"_s))
        return with(u"il server non accetta la password: correggi la riga del file ~/.pgpass"_s);
    // libpq says this one on stderr only, and then that no password came.
    const QString pgpass = qEnvironmentVariableIsSet("PGPASSFILE")
        ? qEnvironmentVariable("PGPASSFILE")
        : QDir::home().filePath(u".pgpass"_s);
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
        | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    if (message.contains(u"no password supplied"_s) && QFileInfo(pgpass).isFile()
        && (QFileInfo(pgpass).permissions() & others))
        return with(u"il file delle password (~/.pgpass) è leggibile da altri utenti e "
                    "PostgreSQL lo ignora: rendilo tuo soltanto con «chmod 600 ~/.pgpass»"_s);
    if (message.contains(u"no password supplied"_s))
        return with(u"il server chiede una password e nessuna riga del file ~/.pgpass vale per "
                    "questo server, database e utente: controlla host=, dbname= e user= "
                    "nell'impostazione e la riga del file"_s);
    if (message.contains(u"does not exist"_s) && message.contains(u"database"_s))
        return with(u"il server non ha un database «%1»: controlla dbname= nell'impostazione, "
                    "o l'amministratore lo crea (vedi il README)"_s.arg(quoted(u"database"_s)));
    if (message.contains(u"does not exist"_s) && message.contains(u"role"_s))
        return with(u"il server non conosce l'utente «%1»: controlla user= nell'impostazione, "
                    "o l'amministratore lo crea (vedi il README)"_s.arg(quoted(u"role"_s)));
    if (message.contains(u"definition of service"_s))
        return with(u"il servizio «%1» non è nel file pg_service.conf: controlla service= "
                    "nell'impostazione e il file"_s.arg(quoted(u"service"_s)));
    if (message.contains(u"could not translate host name"_s))
        return with(u"il nome del server non si trova in rete: controlla host= "
                    "nell'impostazione"_s);
    if (message.contains(u"no pg_hba.conf entry"_s))
        return with(u"il server non ammette questo computer: l'amministratore aggiunge una riga "
                    "per questa rete in pg_hba.conf (vedi il README)"_s);
    if (message.contains(u"Connection refused"_s))
        return with(u"il server non risponde: è spento, o non ascolta in rete "
                    "(listen_addresses in postgresql.conf); riprovo più tardi"_s);
    if (message.contains(u"No such file or directory"_s))
        return with(u"il server non risponde: su questo computer non c'è un server PostgreSQL "
                    "acceso, controlla host= nell'impostazione; riprovo più tardi"_s);
    if (message.contains(u"timeout expired"_s))
        return u"il server non risponde"_s;
    if (message.contains(u"permission denied for database"_s))
        return with(u"questo utente non è tra quelli ammessi all'archivio di questa classe: "
                    "l'amministratore gli dà CONNECT (vedi il README)"_s);
    return u"il server dice «%1»"_s.arg(said);
}

QString PgConnection::queryReason(const PGresult *result)
{
    if (!result)
        return u"il server non ha dato una risposta"_s;
    const QByteArray state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    const QString said = QString::fromUtf8(PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY));
    if (state == "42501")
        return u"l'utente non ha il permesso di farlo (%1)"_s.arg(said);
    // The class's database's own refusals, said in Italian (ZV...).
    if (state.startsWith("ZV"))
        return said;
    return u"il server dice «%1»"_s.arg(said);
}

} // namespace Zentovia
