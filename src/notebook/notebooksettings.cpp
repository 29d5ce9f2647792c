// A child's own settings in the notebook (the tables assigned, the time of a
// contest, the keypad) and the class's, as this computer last heard them:
// kept in meta, each under "setting:child key", so that they go with the
// child renamed or erased.
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
    bool ok = false;
    const int minutes = childMeta("minutes", child).toInt(&ok);
    return ok ? minutes : DefaultContestMinutes;
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

} // namespace Zentovia
