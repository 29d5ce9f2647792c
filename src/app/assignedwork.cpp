#include "app/assignedwork.h"

#include "notebook/notebooksettings.h"
#include "words/tablewords.h"

using namespace Qt::StringLiterals;

namespace Zentovia {

std::optional<Assignment> assignedWork(
    const NotebookSettings &notebook, const QString &child, const QDate &today)
{
    const QString own = child.isEmpty() ? QString() : notebook.childAssignment(child);
    // "-": the server said that nothing holds for this child.
    const std::optional<Assignment> assigned
        = ClassList::fromText(own.isEmpty() ? notebook.lastAssignment() : own);
    if (!assigned || assigned->until < today)
        return std::nullopt;
    return assigned;
}

QString assignedWorkCaption(const Assignment &assignment)
{
    return u" - Compito: %1, fino al %2"_s.arg(
        tablesNamed(assignment.tables), assignment.until.toString(u"dd/MM/yyyy"_s));
}

} // namespace Zentovia
