#pragma once

#include <QString>

namespace Zentovia {

// The times tables drilled, and the one drilled when none is chosen.
inline constexpr int FirstTable = 1;
inline constexpr int LastTable = 10;
inline constexpr int DefaultTable = 5;

// The name a child goes by: as typed, or "Amico" when nothing was typed. A
// name of blanks stays as it is.
inline QString playerName(const QString &typed)
{
    return typed.isEmpty() ? QStringLiteral("Amico") : typed;
}

} // namespace Zentovia
