#include "notebook/childsettings.h"

#include "core/clock.h"
#include "core/tables.h"
#include "learning/factstate.h"
#include "learning/localclock.h"
#include "notebook/notebook.h"
#include "notebook/notebookconnection.h"

#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

// A child's own settings, each under "setting:child key".
constexpr const char *EverySetting[] = { "assignment", "minutes", "keypad" };

} // namespace

ChildSettings::ChildSettings(NotebookConnection &connection)
    : m_connection(connection)
{ }

std::optional<int> ChildSettings::factSeconds(const QString &child)
{
    if (!m_connection.open())
        return std::nullopt;
    QSqlQuery query(m_connection.database());
    query.prepare(u"SELECT fact_seconds FROM children WHERE key = ?"_s);
    query.addBindValue(Notebook::childKey(child));
    if (!m_connection.run(query, NotebookReason::NotRead))
        return std::nullopt;
    return query.next() ? query.value(0).toInt() : DefaultFactSeconds;
}

bool ChildSettings::setFactSeconds(const QString &child, int seconds)
{
    if (std::find(FactSecondsChoices.begin(), FactSecondsChoices.end(), seconds)
        == FactSecondsChoices.end())
        return m_connection.refuse(
            NotebookReason::InvalidFactSeconds, { QString::number(seconds) });
    if (!m_connection.open())
        return false;
    // A child not met yet comes in now, as a teacher prepares the class.
    QSqlQuery query(m_connection.database());
    query.prepare(u"INSERT INTO children(key, name, last_activity, fact_seconds)"
                  " VALUES (?, ?, ?, ?) ON CONFLICT(key) DO UPDATE SET"
                  " fact_seconds = excluded.fact_seconds"_s);
    const QString name = Notebook::shownName(child);
    query.addBindValue(Notebook::childKey(name));
    query.addBindValue(name);
    query.addBindValue(LocalClock::wallSeconds(Clock::system().wallNow()));
    query.addBindValue(seconds);
    return m_connection.run(query, NotebookReason::NotWritten);
}

bool ChildSettings::addChild(const QString &child)
{
    if (!m_connection.open())
        return false;
    QSqlQuery query(m_connection.database());
    query.prepare(u"INSERT INTO children(key, name, last_activity) VALUES (?, ?, ?)"
                  " ON CONFLICT(key) DO NOTHING"_s);
    const QString name = Notebook::shownName(child);
    query.addBindValue(name.toCaseFolded());
    query.addBindValue(name);
    query.addBindValue(LocalClock::wallSeconds(Clock::system().wallNow()));
    return m_connection.run(query, NotebookReason::NotWritten);
}

QString ChildSettings::lastAssignment()
{
    return m_connection.meta(u"assignment"_s);
}

bool ChildSettings::setLastAssignment(const QString &assignment)
{
    return m_connection.setMeta(u"assignment"_s, assignment);
}

QString ChildSettings::childAssignment(const QString &child)
{
    return childMeta("assignment", child);
}

bool ChildSettings::setChildAssignment(const QString &childKey, const QString &assignment)
{
    return setChildMeta("assignment", childKey, assignment);
}

int ChildSettings::contestMinutes(const QString &child)
{
    return NotebookSettings::minutesFrom(childMeta("minutes", child));
}

bool ChildSettings::setContestMinutes(const QString &child, int minutes)
{
    if (std::find(ContestMinutesChoices.begin(), ContestMinutesChoices.end(), minutes)
        == ContestMinutesChoices.end())
        return m_connection.refuse(
            NotebookReason::InvalidContestMinutes, { QString::number(minutes) });
    return setChildMeta("minutes", child, QString::number(minutes));
}

QStringList ChildSettings::lastClassList()
{
    return m_connection.meta(u"class_list"_s).split(u'\n', Qt::SkipEmptyParts);
}

bool ChildSettings::setLastClassList(const QStringList &names)
{
    return m_connection.setMeta(u"class_list"_s, names.join(u'\n'));
}

std::optional<NotebookSettings> ChildSettings::all()
{
    if (!m_connection.open())
        return std::nullopt;
    QSqlQuery query(m_connection.database());
    if (!m_connection.run(query, NotebookReason::NotRead,
            u"SELECT key, value FROM meta WHERE key IN ('assignment', 'class_list')"
            " OR key LIKE 'minutes:%' OR key LIKE 'assignment:%'"_s))
        return std::nullopt;
    QHash<QString, QString> values;
    while (query.next())
        values.insert(query.value(0).toString(), query.value(1).toString());
    return NotebookSettings(std::move(values));
}

bool ChildSettings::usesKeypad(const QString &child)
{
    return childMeta("keypad", child) == u"1";
}

bool ChildSettings::setUsesKeypad(const QString &child)
{
    return setChildMeta("keypad", child, u"1"_s);
}

void ChildSettings::bindEveryKey(QSqlQuery &query, const QString &childKey)
{
    static_assert(std::size(EverySetting) == 3, "one ? for each setting");
    for (const char *setting : EverySetting)
        query.addBindValue(QString(QLatin1StringView(setting) + u':' + childKey));
}

QString ChildSettings::childMeta(const char *setting, const QString &child)
{
    return m_connection.meta(QLatin1StringView(setting) + u':' + Notebook::childKey(child));
}

bool ChildSettings::setChildMeta(const char *setting, const QString &child, const QString &value)
{
    return m_connection.setMeta(
        QLatin1StringView(setting) + u':' + Notebook::childKey(child), value);
}

} // namespace Zentovia
