// A child's own settings in the notebook (the tables assigned, the time of a
// contest, the keypad) and the class's, as this computer last heard them:
// kept in meta, each under "setting:child key", so that they go with the
// child renamed or erased.
#include "notebook/notebooksettings.h"
#include "notebook/notebook.h"

#include "core/tables.h"
#include "notebook/notebookfile.h"

#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace Zentovia {

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
    return NotebookSettings::minutesFrom(childMeta("minutes", child));
}

std::optional<NotebookSettings> Notebook::settings()
{
    if (!open())
        return std::nullopt;
    QSqlQuery query(m_file->database());
    if (!run(query, NotebookReason::NotRead,
            u"SELECT key, value FROM meta WHERE key IN ('assignment', 'class_list')"
            " OR key LIKE 'minutes:%' OR key LIKE 'assignment:%'"_s))
        return std::nullopt;
    QHash<QString, QString> values;
    while (query.next())
        values.insert(query.value(0).toString(), query.value(1).toString());
    return NotebookSettings(std::move(values));
}

bool Notebook::setContestMinutes(const QString &child, int minutes)
{
    if (std::find(ContestMinutesChoices.begin(), ContestMinutesChoices.end(), minutes)
        == ContestMinutesChoices.end())
        return refuse(NotebookReason::InvalidContestMinutes, { QString::number(minutes) });
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
    return query.exec() || fail(NotebookReason::NotWritten, query.lastError());
}

QStringList NotebookSettings::lastClassList() const
{
    return m_values.value(u"class_list"_s).split(u'\n', Qt::SkipEmptyParts);
}

QString NotebookSettings::childAssignment(const QString &child) const
{
    return m_values.value(u"assignment:"_s + Notebook::childKey(child));
}

int NotebookSettings::contestMinutes(const QString &child) const
{
    return minutesFrom(m_values.value(u"minutes:"_s + Notebook::childKey(child)));
}

int NotebookSettings::minutesFrom(const QString &kept)
{
    bool ok = false;
    const int minutes = kept.toInt(&ok);
    return ok ? minutes : DefaultContestMinutes;
}

} // namespace Zentovia
