// What the notebook sends to the class's server: what this computer is known
// by, and the teacher's erases and renames brought back from the server.
#include "notebook/notebooksending.h"

#include "notebook/childsettings.h"
#include "notebook/notebook.h"
#include "notebook/notebookconnection.h"
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

NotebookSending::NotebookSending(NotebookConnection &connection)
    : m_connection(connection)
{ }

QString NotebookSending::secret()
{
    QString secret = m_connection.meta(u"secret"_s);
    if (!secret.isEmpty() || !m_connection.open())
        return secret;
    QSqlQuery query(m_connection.database());
    // Kept if another program made one first.
    query.prepare(u"INSERT INTO meta(key, value) VALUES ('secret', ?) ON CONFLICT DO NOTHING"_s);
    query.addBindValue(randomSecret());
    if (!m_connection.run(query, NotebookReason::NotWritten))
        return QString();
    return m_connection.meta(u"secret"_s);
}

QStringList NotebookSending::formerIds()
{
    return m_connection.meta(u"former_ids"_s).split(u' ', Qt::SkipEmptyParts);
}

bool NotebookSending::takeNewComputerId()
{
    const bool taken = m_connection.inOneTransaction([this] {
        const QStringList former = formerIds() << m_connection.meta(u"computer"_s);
        for (const auto &[key, value] :
            { std::pair(u"computer"_s, QUuid::createUuid().toString(QUuid::WithoutBraces)),
                std::pair(u"secret"_s, randomSecret()),
                std::pair(u"former_ids"_s, former.join(u' ')) }) {
            if (!m_connection.setMeta(key, value))
                return false;
        }
        QSqlQuery marks(m_connection.database());
        return m_connection.run(
            marks, NotebookReason::NotWritten, u"DELETE FROM meta WHERE key LIKE 'sent:%'"_s);
    });
    if (taken)
        computerId();
    return taken;
}

std::optional<QStringList> NotebookSending::childKeys()
{
    if (!m_connection.open())
        return std::nullopt;
    QSqlQuery query(m_connection.database());
    if (!m_connection.run(
            query, NotebookReason::NotRead, u"SELECT key FROM children ORDER BY key"_s))
        return std::nullopt;
    QStringList keys;
    while (query.next())
        keys << query.value(0).toString();
    return keys;
}

bool NotebookSending::eraseNumbers(const QList<qint64> &numbers)
{
    if (numbers.isEmpty())
        return true;
    if (!m_connection.open())
        return false;
    QJsonArray list;
    for (const qint64 number : numbers)
        list.append(number);
    const QString json = QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact));
    // The children these answers were of: each stays only with answers left.
    return m_connection.inOneTransaction([&] {
        QSqlQuery query(m_connection.database());
        for (const QString &sql :
            { u"CREATE TEMP TABLE erased_children AS SELECT DISTINCT child FROM answers"
              " WHERE number IN (SELECT value FROM json_each(:numbers))"_s,
                u"DELETE FROM answers WHERE number IN (SELECT value FROM json_each(:numbers))"_s,
                u"UPDATE children SET answers = (SELECT count(*) FROM answers a"
                " WHERE a.child = children.id) WHERE id IN (SELECT child FROM erased_children)"_s,
                u"DELETE FROM children WHERE answers = 0"
                " AND id IN (SELECT child FROM erased_children)"_s,
                u"DROP TABLE erased_children"_s }) {
            if (!query.prepare(sql))
                return m_connection.fail(NotebookReason::NotErased, query.lastError());
            if (sql.contains(u":numbers"_s))
                query.bindValue(u":numbers"_s, json);
            if (!m_connection.run(query, NotebookReason::NotErased))
                return false;
        }
        return true;
    });
}

bool NotebookSending::renameChild(
    const QString &fromKey, const QString &toKey, const QString &toName)
{
    if (!m_connection.open())
        return false;
    QSqlQuery to(m_connection.database());
    to.prepare(u"INSERT INTO children(key, name, last_activity, fact_seconds)"
               " SELECT ?, ?, last_activity, fact_seconds FROM children WHERE key = ?"
               " ON CONFLICT(key) DO UPDATE SET name = excluded.name,"
               " last_activity = max(last_activity, excluded.last_activity)"_s);
    to.addBindValue(toKey);
    to.addBindValue(toName);
    to.addBindValue(fromKey);
    QSqlQuery answers(m_connection.database());
    answers.prepare(u"UPDATE answers SET child = (SELECT id FROM children WHERE key = ?)"
                    " WHERE child = (SELECT id FROM children WHERE key = ?)"_s);
    answers.addBindValue(toKey);
    answers.addBindValue(fromKey);
    QSqlQuery count(m_connection.database());
    count.prepare(u"UPDATE children SET answers = (SELECT count(*) FROM answers a"
                  " WHERE a.child = children.id) WHERE key = ?"_s);
    count.addBindValue(toKey);
    QSqlQuery from(m_connection.database());
    from.prepare(u"DELETE FROM children WHERE key = ? AND key <> ?"_s);
    from.addBindValue(fromKey);
    from.addBindValue(toKey);
    QSqlQuery settings(m_connection.database());
    settings.prepare(u"UPDATE OR REPLACE meta SET key = substr(key, 1, instr(key, ':')) || ?"
                     " WHERE key IN (?, ?, ?)"_s);
    settings.addBindValue(toKey);
    ChildSettings::bindEveryKey(settings, fromKey);
    return m_connection.runAll(
        { &to, &answers, &count, &from, &settings }, NotebookReason::NotWritten);
}

std::optional<qint64> NotebookSending::sentUpTo(const QString &databaseId)
{
    if (!m_connection.open())
        return std::nullopt;
    QSqlQuery query(m_connection.database());
    query.prepare(u"SELECT value FROM meta WHERE key = ?"_s);
    query.addBindValue(QString(u"sent:"_s + databaseId));
    if (!m_connection.run(query, NotebookReason::NotRead))
        return std::nullopt;
    return query.next() ? query.value(0).toLongLong() : 0;
}

bool NotebookSending::markSent(const QString &databaseId, qint64 number)
{
    if (!m_connection.open())
        return false;
    QSqlQuery query(m_connection.database());
    query.prepare(u"INSERT INTO meta(key, value) VALUES (?, ?)"
                  " ON CONFLICT(key) DO UPDATE SET value = max(value, excluded.value)"_s);
    query.addBindValue(QString(u"sent:"_s + databaseId));
    query.addBindValue(number);
    if (!m_connection.run(query, NotebookReason::NotWritten))
        return false;
    return true;
}

std::optional<QList<StoredAnswer>> NotebookSending::answersAfter(qint64 after, int limit)
{
    if (!m_connection.open())
        return std::nullopt;
    if (!m_numberIndexed) {
        // Made the first time answers are sent, on the computers that send
        // them: without it each look for the newest answers reads them all.
        // Layout version 1 still: a program that does not know the index
        // keeps it up to date all the same. A read-only file goes without.
        QSqlError ignored;
        m_connection.file().exec(
            "CREATE INDEX IF NOT EXISTS answers_by_number ON answers(number)", &ignored);
        m_numberIndexed = true;
    }
    QSqlQuery query(m_connection.database());
    query.setForwardOnly(true);
    query.prepare(u"SELECT a.number, a.at, c.name, a.times_table, a.multiplier, a.typed,"
                  " a.outcome, a.tenths, a.mode, a.utc_offset FROM answers a"
                  " JOIN children c ON c.id = a.child WHERE a.number > ? ORDER BY a.number"
                  " LIMIT ?"_s);
    query.addBindValue(after);
    query.addBindValue(limit);
    if (!m_connection.run(query, NotebookReason::NotRead))
        return std::nullopt;
    QList<StoredAnswer> answers;
    while (query.next()) {
        answers.append({ query.value(0).toLongLong(), query.value(1).toLongLong(),
            query.value(2).toString(), query.value(3).toInt(), query.value(4).toInt(),
            query.value(5).toString(), Outcome(query.value(6).toInt()), query.value(7).toInt(),
            NotebookFile::modeOf(query.value(8).toInt()), query.value(9).toInt() });
    }
    return answers;
}

QString NotebookSending::computerId()
{
    // Read each time: another program on this computer may have taken a
    // new one.
    m_computerId = m_connection.meta(u"computer"_s);
    return m_computerId;
}

QString NotebookSending::answerId(qint64 number) const
{
    return m_computerId + u'-' + QString::number(number);
}

} // namespace Zentovia
