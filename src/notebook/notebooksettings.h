#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace Zentovia {

// The settings of every child in a notebook, and the class's, as read at
// once (ChildSettings::all()): what the contest needs at the name, asked of
// the notebook's own thread before the child is named, and then looked up
// with no file read.
class NotebookSettings
{
public:
    // values: the notebook's settings by key ("minutes:anna").
    explicit NotebookSettings(QHash<QString, QString> values = {})
        : m_values(std::move(values))
    { }

    QString lastAssignment() const { return m_values.value(QStringLiteral("assignment")); }
    QStringList lastClassList() const;
    QString childAssignment(const QString &child) const;
    int contestMinutes(const QString &child) const;

    // The minutes kept, or DefaultContestMinutes for none or a bad one.
    static int minutesFrom(const QString &kept);

private:
    QHash<QString, QString> m_values;
};

} // namespace Zentovia
