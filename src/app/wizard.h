#pragma once

#include "contest/contest.h"

#include <QHash>

namespace Zentovia {

// Merlino, the wizard who leads every contest: his character file under the
// program's data folder, and where he stands in the window and how tall.
inline Cast wizardCast()
{
    return { QStringLiteral("Merlin"), QStringLiteral("merlin/merlin.svg"), QPoint(250, 175), 205 };
}

// What the wizard's scroll shows in his opening animation: the table drilled,
// as in "7 × ?".
inline QHash<QString, QString> wizardTexts(const QString &table)
{
    return { { QStringLiteral("scroll-table"), table } };
}

} // namespace Zentovia
