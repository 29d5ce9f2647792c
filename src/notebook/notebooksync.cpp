// The notebook's side of the class's server: what this computer is known by,
// and the teacher's erases brought back from the server.
#include "notebook/notebook.h"

#include "core/tables.h"
#include "notebook/notebookfile.h"

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
    if (!query.exec()) {
        fail(u"Non riesco a scrivere nel"_s, NotebookFile::reason(query.lastError()));
        return QString();
    }
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
        return fail(u"Non riesco a scrivere nel"_s, NotebookFile::reason(error));
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
        return fail(u"Non riesco a scrivere nel"_s, NotebookFile::reason(error));
    }
    computerId();
    return true;
}

bool Notebook::setLastAssignment(const QString &assignment)
{
    return setMeta(u"assignment"_s, assignment);
}

QString Notebook::childAssignment(const QString &child)
{
    return childMeta("assignment", child);
}

bool Notebook::setChildAssignment(const QString &childKey, const QString &assignment)
{
    return setChildMeta("assignment", childKey, assignment);
}

int Notebook::contestMinutes(const QString &child)
{
    bool ok = false;
    const int minutes = childMeta("minutes", child).toInt(&ok);
    return ok ? minutes : DefaultContestMinutes;
}

bool Notebook::setContestMinutes(const QString &child, int minutes)
{
    if (std::find(ContestMinutesChoices.begin(), ContestMinutesChoices.end(), minutes)
        == ContestMinutesChoices.end())
        return fail(u"Non scrivo nel"_s,
            u"una gara dura 7 o 10 minuti, oppure non ha l'orologio, non %1 minuti"_s.arg(minutes));
    return setChildMeta("minutes", child, QString::number(minutes));
}

bool Notebook::setLastClassList(const QStringList &names)
{
    return setMeta(u"class_list"_s, names.join(u'\n'));
}

bool Notebook::usesKeypad(const QString &child)
{
    return childMeta("keypad", child) == u"1";
}

bool Notebook::setUsesKeypad(const QString &child)
{
    return setChildMeta("keypad", child, u"1"_s);
}

QString Notebook::childMeta(const char *setting, const QString &child)
{
    return meta(QLatin1StringView(setting) + u':' + childKey(child));
}

bool Notebook::setChildMeta(const char *setting, const QString &child, const QString &value)
{
    return setMeta(QLatin1StringView(setting) + u':' + childKey(child), value);
}

void Notebook::bindChildSettings(QSqlQuery &query, const QString &childKey)
{
    static_assert(std::size(ChildSettings) == 3, "one ? for each setting");
    for (const char *setting : ChildSettings)
        query.addBindValue(QString(QLatin1StringView(setting) + u':' + childKey));
}

bool Notebook::setMeta(const QString &key, const QString &value)
{
    if (!open())
        return false;
    QSqlQuery query(m_file->database());
    query.prepare(u"INSERT INTO meta(key, value) VALUES (?, ?)"
                  " ON CONFLICT(key) DO UPDATE SET value = excluded.value"_s);
    query.addBindValue(key);
    query.addBindValue(value);
    return query.exec()
        || fail(u"Non riesco a scrivere nel"_s, NotebookFile::reason(query.lastError()));
}

std::optional<QStringList> Notebook::childKeys()
{
    if (!open())
        return std::nullopt;
    QSqlQuery query(m_file->database());
    if (!query.exec(u"SELECT key FROM children ORDER BY key"_s)) {
        fail(u"Non riesco a leggere il"_s, NotebookFile::reason(query.lastError()));
        return std::nullopt;
    }
    QStringList keys;
    while (query.next())
        keys << query.value(0).toString();
    return keys;
}

bool Notebook::eraseUpTo(const QString &childKey, qint64 utcSeconds)
{
    if (!open())
        return false;
    QSqlQuery answers(m_file->database());
    answers.prepare(u"DELETE FROM answers WHERE child = (SELECT id FROM children WHERE key = ?)"
                    " AND at - utc_offset * 60 <= ?"_s);
    answers.addBindValue(childKey);
    answers.addBindValue(utcSeconds);
    // The child stays only with answers given after the erase.
    QSqlQuery entry(m_file->database());
    entry.prepare(u"UPDATE children SET answers = (SELECT count(*) FROM answers a"
                  " WHERE a.child = children.id) WHERE key = ?"_s);
    entry.addBindValue(childKey);
    QSqlQuery empty(m_file->database());
    empty.prepare(u"DELETE FROM children WHERE key = ? AND answers = 0"_s);
    empty.addBindValue(childKey);
    return runAll({ &answers, &entry, &empty }, u"Non riesco a cancellare dal"_s);
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
    return runAll({ &to, &answers, &count, &from, &settings }, u"Non riesco a scrivere nel"_s);
}

bool Notebook::inOneTransaction(const std::function<bool()> &work)
{
    if (m_inTransaction)
        return work();
    if (!open())
        return false;
    QSqlError error;
    if (!m_file->exec("BEGIN IMMEDIATE", &error))
        return fail(u"Non riesco a scrivere nel"_s, NotebookFile::reason(error));
    m_inTransaction = true;
    const bool done = work();
    m_inTransaction = false;
    if (!done) {
        m_file->exec("ROLLBACK", &error);
        return false;
    }
    if (!m_file->exec("COMMIT", &error)) {
        const QString why = NotebookFile::reason(error);
        m_file->exec("ROLLBACK", &error);
        return fail(u"Non riesco a scrivere nel"_s, why);
    }
    return true;
}

bool Notebook::runAll(std::initializer_list<QSqlQuery *> queries, const QString &what)
{
    QSqlError error;
    if (!m_inTransaction && !m_file->exec("BEGIN IMMEDIATE", &error))
        return fail(what, NotebookFile::reason(error));
    for (QSqlQuery *query : queries) {
        if (!query->exec()) {
            const QString why = NotebookFile::reason(query->lastError());
            if (!m_inTransaction)
                m_file->exec("ROLLBACK", &error);
            return fail(what, why);
        }
    }
    if (m_inTransaction)
        return true;
    if (!m_file->exec("COMMIT", &error)) {
        const QString why = NotebookFile::reason(error);
        m_file->exec("ROLLBACK", &error);
        return fail(what, why);
    }
    return true;
}

} // namespace Zentovia
