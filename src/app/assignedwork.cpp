#include "app/assignedwork.h"

#include "notebook/notebook.h"

using namespace Qt::StringLiterals;

namespace Zentovia {

std::optional<Assignment> assignedWork(Notebook &notebook, const QString &child, const QDate &today)
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
    QStringList named;
    for (const int table : assignment.tables) {
        // "uno" and "otto" begin with a vowel: "dell'1", "dell'8".
        named << (table == 1 || table == 8 ? u"dell'"_s : u"del "_s) + QString::number(table);
    }
    const QString last = named.takeLast();
    const QString tables = named.isEmpty()
        ? QString(u"la tabellina "_s + last)
        : QString(u"le tabelline "_s + named.join(u", "_s) + u" e "_s + last);
    return u" - Compito: %1, fino al %2"_s.arg(tables, assignment.until.toString(u"dd/MM/yyyy"_s));
}

} // namespace Zentovia
