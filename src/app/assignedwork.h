#pragma once

#include "classserver/classlist.h"

#include <optional>

namespace Zentovia {

class NotebookSettings;

// The tables the teacher assigned, as this computer last heard them from
// the class's server: the child's (their own, or else the class's) once the
// child is named, the class's before; none once past their last day.
std::optional<Assignment> assignedWork(
    const NotebookSettings &notebook, const QString &child, const QDate &today);

// What the window's title adds: " - Compito: la tabellina del 7, fino al
// 15/01/2027".
QString assignedWorkCaption(const Assignment &assignment);

} // namespace Zentovia
