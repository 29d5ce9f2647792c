#include "notebook/notebookconnection.h"

#include "notebook/notebookfile.h"

#include <QSqlError>
#include <QSqlQuery>

#include <utility>

using namespace Qt::StringLiterals;

namespace Zentovia {

NotebookConnection::NotebookConnection(const QString &path, bool checkWholeFile)
    : m_path(path)
    , m_checkWholeFile(checkWholeFile)
{ }

NotebookConnection::~NotebookConnection() = default;

NotebookProblem NotebookConnection::takeSetAside()
{
    return std::exchange(m_setAside, {});
}

bool NotebookConnection::open()
{
    if (m_file)
        return true;
    NotebookProblem problem;
    m_file = NotebookFile::open(m_path, &problem,
        m_checkWholeFile ? NotebookFile::Check::WholeFile : NotebookFile::Check::Schema);
    if (problem.reason == NotebookReason::SetAside)
        m_setAside = problem;
    else
        m_problem = problem;
    return m_file != nullptr;
}

QSqlDatabase &NotebookConnection::database()
{
    return m_file->database();
}

bool NotebookConnection::fail(NotebookReason reason, const QSqlError &error)
{
    m_problem = NotebookFile::sqliteProblem(reason, m_path, error);
    return false;
}

bool NotebookConnection::refuse(NotebookReason reason, const QStringList &values)
{
    m_problem = { reason, m_path, values };
    return false;
}

bool NotebookConnection::run(QSqlQuery &query, NotebookReason reason, const QString &sql)
{
    return (sql.isEmpty() ? query.exec() : query.exec(sql)) || fail(reason, query.lastError());
}

bool NotebookConnection::run(const char *sql, NotebookReason reason)
{
    QSqlError error;
    return m_file->exec(sql, &error) || fail(reason, error);
}

bool NotebookConnection::inOneTransaction(const std::function<bool()> &work)
{
    if (m_inTransaction)
        return work();
    if (!open() || !run("BEGIN IMMEDIATE", NotebookReason::NotWritten))
        return false;
    m_inTransaction = true;
    const bool done = work();
    m_inTransaction = false;
    QSqlError error;
    if (!done) {
        m_file->exec("ROLLBACK", &error);
        return false;
    }
    if (!m_file->exec("COMMIT", &error)) {
        const QSqlError failed = error;
        m_file->exec("ROLLBACK", &error);
        return fail(NotebookReason::NotWritten, failed);
    }
    return true;
}

bool NotebookConnection::runAll(std::initializer_list<QSqlQuery *> queries, NotebookReason reason)
{
    if (!m_inTransaction && !run("BEGIN IMMEDIATE", reason))
        return false;
    QSqlError error;
    for (QSqlQuery *query : queries) {
        if (!query->exec()) {
            const QSqlError failed = query->lastError();
            if (!m_inTransaction)
                m_file->exec("ROLLBACK", &error);
            return fail(reason, failed);
        }
    }
    if (m_inTransaction)
        return true;
    if (!m_file->exec("COMMIT", &error)) {
        const QSqlError failed = error;
        m_file->exec("ROLLBACK", &error);
        return fail(reason, failed);
    }
    return true;
}

QString NotebookConnection::meta(const QString &key)
{
    if (!open())
        return QString();
    QSqlQuery query(m_file->database());
    query.prepare(u"SELECT value FROM meta WHERE key = ?"_s);
    query.addBindValue(key);
    return query.exec() && query.next() ? query.value(0).toString() : QString();
}

bool NotebookConnection::setMeta(const QString &key, const QString &value)
{
    if (!open())
        return false;
    QSqlQuery query(m_file->database());
    query.prepare(u"INSERT INTO meta(key, value) VALUES (?, ?)"
                  " ON CONFLICT(key) DO UPDATE SET value = excluded.value"_s);
    query.addBindValue(key);
    query.addBindValue(value);
    return run(query, NotebookReason::NotWritten);
}

} // namespace Zentovia
