#pragma once

// One simulated child learning the 7 times table under one way of choosing
// the questions, and what it truly holds along the way (see learners.h).
// One session a day at five in the afternoon (school days alone for the
// learners who play on them), 12 seconds a question.
#include "learners.h"

#include "learning/memorymodel.h"

#include <QList>

#include <array>

namespace Zentovia::Bench {

inline constexpr int Table = 7;
inline constexpr int Sessions = 30; // the averages are over these
inline constexpr int MostSessions = 90; // for the questions until the table is held
inline constexpr int QuestionSeconds = 12;
inline constexpr double Day = 86400;
inline constexpr double Held = 0.9;

// - the ripasso (PracticePlan on the fitted memory model), 20 a session, and
//   the same with one of its rules left out, and with both: the plain
//   lowest predicted recall;
// - the contest's uniform draws, 20 a session and a seven-minute contest's
//   42; a shuffled round of the ten facts, 20 a session;
// - an oracle that reads the learner's true recall and asks the lowest, 20
//   a session: the upper bound.
enum class Schedule {
    Ripasso,
    NoComingBack,
    NoMissedFirst,
    LowestRecall,
    Draws20,
    Draws42,
    Round,
    Oracle
};
inline constexpr Schedule Schedules[]
    = { Schedule::Ripasso, Schedule::NoComingBack, Schedule::NoMissedFirst, Schedule::LowestRecall,
          Schedule::Draws20, Schedule::Draws42, Schedule::Round, Schedule::Oracle };
const char *scheduleName(Schedule schedule);

struct Run
{
    int untilHeld = -1; // questions until every fact is held at a session's start
    double heldAverage = 0; // facts held at the start of sessions 1..30
    int heldAfterBreak = 0; // fourteen days after session 30
    int heldAfterGrid = -1; // at the session after the grid first shows all imparato
    int imparatoCells = 0; // over sessions 1..30
    int imparatoHeldAWeekOn = 0;
    int demotions = 0; // of a fact by a right answer in time, on the grid a parent sees
    int refitDemotions = 0; // of a fact last answered right in time, by the day's refit
    int fitsKept = 0; // sessions whose grid took the child's own fit
    int openings = 0; // ripassi after a session with misses
    int openedWithMisses = 0; // of them, those whose first questions were those misses
    std::array<QList<Attempt>, 10> history; // every answer, by fact
    qint64 splitAt = 0; // the start of session 15
};

Run learn(LearnerKind kind, Schedule schedule, quint64 seed);
quint64 mix(quint64 x);

} // namespace Zentovia::Bench
