#pragma once

#include <QString>

#include <array>

namespace Zentovia {

// The times tables drilled, and the one drilled when none is chosen.
inline constexpr int FirstTable = 1;
inline constexpr int LastTable = 10;
inline constexpr int DefaultTable = 5;

// A contest's time, in minutes: the seven of every contest, or ten for a
// child who needs more; 0 for no clock (a ripasso's count of questions).
inline constexpr int DefaultContestMinutes = 7;
inline constexpr int NoClock = 0;
inline constexpr std::array<int, 3> ContestMinutesChoices = { 7, 10, NoClock };

// The name a child goes by: as typed, or "Amico" when nothing was typed. A
// name of blanks stays as it is.
inline QString playerName(const QString &typed)
{
    return typed.isEmpty() ? QStringLiteral("Amico") : typed;
}

} // namespace Zentovia
