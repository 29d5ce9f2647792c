// What the notebook sends to the class's server: what this computer is known
// by, and the teacher's erases and renames brought back from the server.
#include "notebook/notebook.h"

#include "core/tables.h"
#include "notebook/notebookfile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

QString randomSecret()
{
    QString secret;
    for (int i = 0; i < 2; ++i)
        secret += QString::number(QRandomGenerator::system()->generate64(), 16)
                      .rightJustified(16, u'0');
    return secret;
}

} // namespace

QString Notebook::secret()
{
    QString secret = meta(u"secret"_s);
    if (!secret.isEmpty() || !open())
        return secret;
    QSqlQuery query(m_file->database());
    // Kept if another program made one first.
    query.prepare(u"INSERT INTO meta(key, value) VALUES ('secret', ?) ON CONFLICT DO NOTHING"_s);
    query.addBindValue(randomSecret());
    if (!run(query, NotebookReason::NotWritten))
        return QString();
    return meta(u"secret"_s);
}

QStringList Notebook::formerIds()
{
    return meta(u"former_ids"_s).split(u' ', Qt::SkipEmptyParts);
}

bool Notebook::takeNewComputerId()
{
    if (!open())
        return false;
    QSqlError error;
    if (!m_file->exec("BEGIN IMMEDIATE", &error))
        return fail(NotebookReason::NotWritten, error);
    const QStringList former = formerIds() << meta(u"computer"_s);
    QSqlQuery set(m_file->database());
    set.prepare(u"INSERT INTO meta(key, value) VALUES (?, ?)"
                " ON CONFLICT(key) DO UPDATE SET value = excluded.value"_s);
    bool done = true;
    for (const auto &[key, value] :
        { std::pair(u"computer"_s, QUuid::createUuid().toString(QUuid::WithoutBraces)),
            std::pair(u"secret"_s, randomSecret()),
            std::pair(u"former_ids"_s, former.join(u' ')) }) {
        set.bindValue(0, key);
        set.bindValue(1, value);
        done = done && set.exec();
    }
    QSqlQuery marks(m_file->database());
    done = done && marks.exec(u"DELETE FROM meta WHERE key LIKE 'sent:%'"_s);
    if (!done)
        error = set.lastError().isValid() ? set.lastError() : marks.lastError();
    if (!done || !m_file->exec("COMMIT", &error)) {
        QSqlError ignored;
        m_file->exec("ROLLBACK", &ignored);
        return fail(NotebookReason::NotWritten, error);
    }
    computerId();
    return true;
}

std::optional<QStringList> Notebook::childKeys()
{
    if (!open())
        return std::nullopt;
    QSqlQuery query(m_file->database());
    if (!run(query, NotebookReason::NotRead, u"SELECT key FROM children ORDER BY key"_s))
        return std::nullopt;
    QStringList keys;
    while (query.next())
        keys << query.value(0).toString();
    return keys;
}

bool Notebook::eraseNumbers(const QList<qint64> &numbers)
{
    if (numbers.isEmpty())
        return true;
    if (!open())
        return false;
    QJsonArray list;
    for (const qint64 number : numbers)
        list.append(number);
    const QString json = QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact));
    // The children these answers were of: each stays only with answers left.
    return inOneTransaction([&] {
        QSqlQuery query(m_file->database());
        for (const QString &sql :
            { u"CREATE TEMP TABLE erased_children AS SELECT DISTINCT child FROM answers"
              " WHERE number IN (SELECT value FROM json_each(:numbers))"_s,
                u"DELETE FROM answers WHERE number IN (SELECT value FROM json_each(:numbers))"_s,
                u"UPDATE children SET answers = (SELECT count(*) FROM answers a"
                " WHERE a.child = children.id) WHERE id IN (SELECT child FROM erased_children)"_s,
                u"DELETE FROM children WHERE answers = 0"
                " AND id IN (SELECT child FROM erased_children)"_s,
                u"DROP TABLE erased_children"_s }) {
            bool done = query.prepare(sql);
            if (done && sql.contains(u":numbers"_s))
                query.bindValue(u":numbers"_s, json);
            if (!done || !query.exec())
                return fail(NotebookReason::NotErased, query.lastError());
        }
        return true;
    });
}

bool Notebook::renameChild(const QString &fromKey, const QString &toKey, const QString &toName)
{
    if (!open())
        return false;
    QSqlQuery to(m_file->database());
    to.prepare(u"INSERT INTO children(key, name, last_activity, fact_seconds)"
               " SELECT ?, ?, last_activity, fact_seconds FROM children WHERE key = ?"
               " ON CONFLICT(key) DO UPDATE SET name = excluded.name,"
               " last_activity = max(last_activity, excluded.last_activity)"_s);
    to.addBindValue(toKey);
    to.addBindValue(toName);
    to.addBindValue(fromKey);
    QSqlQuery answers(m_file->database());
    answers.prepare(u"UPDATE answers SET child = (SELECT id FROM children WHERE key = ?)"
                    " WHERE child = (SELECT id FROM children WHERE key = ?)"_s);
    answers.addBindValue(toKey);
    answers.addBindValue(fromKey);
    QSqlQuery count(m_file->database());
    count.prepare(u"UPDATE children SET answers = (SELECT count(*) FROM answers a"
                  " WHERE a.child = children.id) WHERE key = ?"_s);
    count.addBindValue(toKey);
    QSqlQuery from(m_file->database());
    from.prepare(u"DELETE FROM children WHERE key = ? AND key <> ?"_s);
    from.addBindValue(fromKey);
    from.addBindValue(toKey);
    QSqlQuery settings(m_file->database());
    settings.prepare(u"UPDATE OR REPLACE meta SET key = substr(key, 1, instr(key, ':')) || ?"
                     " WHERE key IN (?, ?, ?)"_s);
    settings.addBindValue(toKey);
    bindChildSettings(settings, fromKey);
    return runAll({ &to, &answers, &count, &from, &settings }, NotebookReason::NotWritten);
}

bool Notebook::inOneTransaction(const std::function<bool()> &work)
{
    if (m_inTransaction)
        return work();
    if (!open())
        return false;
    QSqlError error;
    if (!m_file->exec("BEGIN IMMEDIATE", &error))
        return fail(NotebookReason::NotWritten, error);
    m_inTransaction = true;
    const bool done = work();
    m_inTransaction = false;
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

bool Notebook::runAll(std::initializer_list<QSqlQuery *> queries, NotebookReason reason)
{
    QSqlError error;
    if (!m_inTransaction && !m_file->exec("BEGIN IMMEDIATE", &error))
        return fail(reason, error);
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

} // namespace Zentovia
