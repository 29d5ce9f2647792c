#include "privatepostgres.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <libpq-fe.h>

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int Port = 5432;

QString binFolder()
{
    // Debian keeps the server's programs out of PATH, one folder a version.
    QStringList versions
        = QDir(u"/usr/lib/postgresql"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versions.begin(), versions.end(),
        [](const QString &a, const QString &b) { return a.toInt() > b.toInt(); });
    for (const QString &version : versions) {
        const QString bin = u"/usr/lib/postgresql/%1/bin"_s.arg(version);
        if (QFile::exists(bin + u"/initdb"_s) && QFile::exists(bin + u"/postgres"_s))
            return bin;
    }
    return {};
}

} // namespace

PrivatePostgres::PrivatePostgres()
    // Under /tmp: the socket's path must be short, and reachable by nobody.
    : m_dir(u"/tmp/zentovia-pg-XXXXXX"_s)
    , m_bin(binFolder())
{
    if (geteuid() == 0) {
        const passwd *nobody = getpwnam("nobody");
        const group *nogroup = getgrnam("nogroup");
        if (nobody) {
            m_asNobody = true;
            m_uid = nobody->pw_uid;
            m_gid = nogroup ? nogroup->gr_gid : nobody->pw_gid;
            if (chown(QFile::encodeName(m_dir.path()).constData(), m_uid, m_gid) != 0)
                m_asNobody = false;
        }
    }
}

PrivatePostgres::~PrivatePostgres()
{
    if (m_server.state() == QProcess::NotRunning)
        return;
    if (m_frozen)
        freeze(false);
    ::kill(pid_t(m_server.processId()), SIGQUIT);
    if (!m_server.waitForFinished(5000))
        ::kill(-pid_t(m_server.processId()), SIGKILL);
    m_server.waitForFinished(5000);
}

bool PrivatePostgres::installed()
{
    return !binFolder().isEmpty();
}

void PrivatePostgres::prepare(QProcess &process) const
{
    process.setWorkingDirectory(m_dir.path());
    const bool asNobody = m_asNobody;
    const uid_t uid = m_uid;
    const gid_t gid = m_gid;
    // In a process group of its own (so that freeze() reaches the backends
    // too), and as nobody under root.
    process.setChildProcessModifier([asNobody, uid, gid] {
        setsid();
        if (asNobody && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0))
            _exit(127);
    });
}

bool PrivatePostgres::run(const QString &tool, const QStringList &arguments, QString *error)
{
    QProcess process;
    prepare(process);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(m_bin + u'/' + tool, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        *error = tool + u": "_s + QString::fromLocal8Bit(process.readAll());
        return false;
    }
    return true;
}

bool PrivatePostgres::start(QString *error)
{
    if (!m_dir.isValid() || m_bin.isEmpty()) {
        *error = u"no PostgreSQL server installed, or no temporary folder"_s;
        return false;
    }
    const QString data = m_dir.filePath(u"data"_s);
    if (!QFile::exists(data)) {
        if (!run(u"initdb"_s,
                { u"-D"_s, data, u"-U"_s, u"postgres"_s, u"--auth=trust"_s, u"--no-sync"_s, u"-E"_s,
                    u"UTF8"_s, u"--locale=C.UTF-8"_s },
                error))
            return false;
        QFile hba(data + u"/pg_hba.conf"_s);
        if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        hba.write(
            "local all " + QByteArray(PasswordUser) + " scram-sha-256\nlocal all all trust\n");
    }
    m_server.setStandardOutputFile(m_dir.filePath(u"log"_s), QIODevice::Append);
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    prepare(m_server);
    m_server.start(m_bin + u"/postgres"_s,
        { u"-D"_s, data, u"-k"_s, m_dir.path(), u"-p"_s, QString::number(Port), u"-c"_s,
            u"listen_addresses="_s, u"-c"_s, u"fsync=off"_s, u"-c"_s, u"full_page_writes=off"_s });
    if (!m_server.waitForStarted()) {
        *error = m_server.errorString();
        return false;
    }
    const QByteArray probe = connection(u"postgres"_s, u"postgres"_s).toUtf8();
    for (QDeadlineTimer deadline(20000); !deadline.hasExpired(); QThread::msleep(20)) {
        if (PQping(probe.constData()) == PQPING_OK)
            return true;
        if (m_server.state() == QProcess::NotRunning)
            break;
    }
    *error = u"the server did not start: "_s + log();
    return false;
}

void PrivatePostgres::stop()
{
    ::kill(pid_t(m_server.processId()), SIGINT);
    m_server.waitForFinished(20000);
}

void PrivatePostgres::freeze(bool frozen)
{
    ::kill(-pid_t(m_server.processId()), frozen ? SIGSTOP : SIGCONT);
    m_frozen = frozen;
}

QString PrivatePostgres::connection(const QString &database, const QString &user) const
{
    return u"host=%1 port=%2 dbname=%3 user=%4"_s.arg(
        m_dir.path(), QString::number(Port), database, user);
}

QString PrivatePostgres::sql(const QString &database, const QString &statements, QString *error,
    const QString &user, QByteArray *state) const
{
    PGconn *db = PQconnectdb(connection(database, user).toUtf8().constData());
    QString value;
    PGresult *result
        = PQstatus(db) == CONNECTION_OK ? PQexec(db, statements.toUtf8().constData()) : nullptr;
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
        value = u""_s;
        if (PQntuples(result) > 0)
            value = QString::fromUtf8(PQgetvalue(result, 0, 0));
    } else {
        if (error)
            *error = QString::fromUtf8(PQerrorMessage(db));
        if (state && result)
            *state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    }
    PQclear(result);
    PQfinish(db);
    return value;
}

bool PrivatePostgres::createClass(const QString &database, QString *error) const
{
    QFile file(QStringLiteral(ZENTOVIA_SERVER_SQL));
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    return !sql(u"postgres"_s, u"CREATE DATABASE "_s + database, error).isNull()
        && !sql(database, QString::fromUtf8(file.readAll()), error).isNull()
        && !sql(database,
            u"DO $$ DECLARE r record; BEGIN"
            " FOR r IN SELECT rolname FROM pg_roles WHERE rolcanlogin AND NOT rolsuper"
            " AND pg_has_role(oid, 'zentovia_alunni', 'MEMBER') LOOP"
            " EXECUTE format('GRANT CONNECT ON DATABASE %I TO %I', current_database(), r.rolname);"
            " END LOOP; END $$"_s,
            error)
                .isNull();
}

bool PrivatePostgres::admit(
    const QString &database, const QStringList &logins, QString *error) const
{
    return !sql(database,
        u"GRANT CONNECT ON DATABASE %1 TO %2"_s.arg(database, logins.join(u", "_s)), error)
                .isNull();
}

bool PrivatePostgres::copy(const QString &database, const QByteArray &copyStatement,
    const QByteArray &rows, QString *error) const
{
    PGconn *db = PQconnectdb(connection(database, u"postgres"_s).toUtf8().constData());
    PGresult *result = PQexec(db, copyStatement.constData());
    bool done = PQresultStatus(result) == PGRES_COPY_IN
        && PQputCopyData(db, rows.constData(), int(rows.size())) == 1
        && PQputCopyEnd(db, nullptr) == 1;
    PQclear(result);
    result = PQgetResult(db);
    done = done && PQresultStatus(result) == PGRES_COMMAND_OK;
    if (!done)
        *error = QString::fromUtf8(PQerrorMessage(db));
    for (; result; result = PQgetResult(db))
        PQclear(result);
    PQfinish(db);
    return done;
}

QString PrivatePostgres::log() const
{
    QFile file(m_dir.filePath(u"log"_s));
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll().right(4000))
                                          : QString();
}
