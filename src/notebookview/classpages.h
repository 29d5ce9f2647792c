#pragma once

#include "classserver/classoverview.h"

#include <QList>

class QPagedPaintDevice;

namespace Zentovia {

// The class printed for a parents' meeting, one child a page: the child's
// grid, the last day played, this week's questions, the facts learned, and
// the three facts to work on, in words a parent reads in a minute. False
// when nothing could be drawn on device.
bool printClassPages(QPagedPaintDevice &device, const QList<ClassChild> &children);

// "Da ripassare: 7 per 8, 6 per 9 e 4 per 7.": the facts asked and not yet
// learned whose recall a week on is lowest, at most three.
QString factsToWorkOn(const FactGrid &grid);

// "In questa settimana ha imparato 2 moltiplicazioni nuove: 7 per 8 e 6 per
// 9.": the facts that became "imparato" in the last seven days.
QString learnedInTheWeek(const QList<Fact> &facts);

} // namespace Zentovia
