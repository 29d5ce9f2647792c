#include "notebook/notebooksettings.h"

#include "core/tables.h"
#include "notebook/notebook.h"

using namespace Qt::StringLiterals;

namespace Zentovia {

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
