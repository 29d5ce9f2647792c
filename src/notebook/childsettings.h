#pragma once

#include "notebook/notebooksettings.h"

#include <QString>
#include <QStringList>

#include <optional>

class QSqlQuery;

namespace Zentovia {

class NotebookConnection;

// Each child's settings in the notebook (the time for a fact, the tables
// assigned, the time of a contest, the keypad) and the class's, as this
// computer last heard them from the server (childsettings.cpp). A child's
// own are kept under "setting:child key", so that they go with the child
// renamed or erased. Part of a Notebook, on its connection.
class ChildSettings
{
public:
    explicit ChildSettings(NotebookConnection &connection);

    // DefaultFactSeconds for a child not met yet.
    std::optional<int> factSeconds(const QString &child);
    // seconds is one of FactSecondsChoices.
    bool setFactSeconds(const QString &child, int seconds);
    // A child with no answer yet, for a parent to set the child's times
    // before the first game; a child already there stays as is.
    bool addChild(const QString &child);

    // The tables the teacher assigned to the class, as this computer last
    // heard them from the server ("7,9 2027-01-15"); empty for none.
    QString lastAssignment();
    bool setLastAssignment(const QString &assignment);
    // The tables assigned to this child (their own, or else the class's),
    // as last heard: "-" when none holds for them, empty when the server
    // has not said yet (the class's hold then).
    QString childAssignment(const QString &child);
    bool setChildAssignment(const QString &childKey, const QString &assignment);
    // The time of the child's contests, one of ContestMinutesChoices.
    int contestMinutes(const QString &child);
    bool setContestMinutes(const QString &child, int minutes);
    // The class list's names, as this computer last heard them.
    QStringList lastClassList();
    bool setLastClassList(const QStringList &names);
    // The class's settings and every child's, read at once.
    std::optional<NotebookSettings> all();
    // Whether the child has played with the keypad on the screen on this
    // computer (false too when the notebook cannot be read). Kept under a
    // key of the child's own in the meta table, which programs from before
    // the keypad pass over.
    bool usesKeypad(const QString &child);
    bool setUsesKeypad(const QString &child);

    // A statement over every setting of one child: its text with
    // "IN (?, ?, ?)" as the last placeholders, bound to the child's keys.
    static void bindEveryKey(QSqlQuery &query, const QString &childKey);

private:
    QString childMeta(const char *setting, const QString &child);
    bool setChildMeta(const char *setting, const QString &child, const QString &value);

    NotebookConnection &m_connection;
};

} // namespace Zentovia
