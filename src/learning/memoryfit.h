#pragma once

#include "learning/memorymodel.h"

namespace Zentovia {

// The memory's parameters fitted to one child's own answers, and whether the
// fit was kept.
//
// Three numbers move from the defaults: the first stabilities (how long a
// fact lasts after its first answer), the gain of a spaced success (how fast
// it grows), and the decay of the forgetting curve (its shape). They are
// fitted on the older answers and judged on the later ones, which the fit
// never saw: the fit is kept only when its predictions of those later
// answers, weighted towards a week ahead (see logLoss), are better than the
// defaults'. Otherwise the defaults stay.
struct MemoryFit
{
    MemoryParameters parameters; // the defaults unless kept
    MemoryParameters candidate; // what the fit found, kept or not
    bool kept = false;
    // The log loss of the later answers, with the fit and with the defaults,
    // and how many answers they are (0 with too few answers to fit).
    double fittedLoss = 0;
    double defaultsLoss = 0;
    int judged = 0;
};

inline constexpr int MinimumAnswersToFit = 300;
inline constexpr int FittedPerFact = 60; // the latest answers of each fact
inline constexpr int MinimumJudged = 30;
// The later answers' share, by time, that judges the fit.
inline constexpr double JudgedShare = 0.3;

// facts: each fact's answers, oldest first.
MemoryFit fitMemory(const QList<QList<Attempt>> &facts, int factSeconds,
    const MemoryParameters &defaults = MemoryParameters::forChildren());

} // namespace Zentovia
