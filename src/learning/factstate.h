#pragma once

#include "learning/answer.h"
#include "learning/memorymodel.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <array>
#include <map>
#include <optional>

namespace Zentovia {

// How far a child is with one fact (one table times one multiplier).
enum class FactState { NeverAsked, Learned, Almost, ToLearn };

// "mai chiesto", "imparato", "quasi", "da imparare".
QString stateName(FactState state);

// The child's time for a fact, in seconds: the choices, and the one a new
// child starts with.
inline constexpr std::array<int, 3> FactSecondsChoices { 3, 6, 12 };
inline constexpr int DefaultFactSeconds = 6;

// The lines between the states, on the predicted recall a week from now.
inline constexpr int WeekSeconds = 7 * 86400;
inline constexpr double LearnedRecall = 0.9;
inline constexpr double AlmostRecall = 0.7;

struct FactSummary
{
    FactState state = FactState::NeverAsked;
    int asked = 0;
    int right = 0;
    // Of the answers given (skipped questions have no time of their own).
    std::optional<double> medianSeconds;
    QDate lastDay;
    QDateTime lastMistake; // wrong or skipped; invalid when none
    QDateTime lastAsked; // invalid when never asked
    // The memory model's predicted chance of recall, now and a week from
    // now (0 when never asked).
    double recallNow = 0;
    double recallInAWeek = 0;
    // The memory of the fact after its last answer.
    FactMemory memory;
    // The last answer, and the time for a fact it was judged by.
    Outcome lastOutcome = Outcome::Wrong;
    bool lastInTime = false;
    int factSeconds = DefaultFactSeconds;
    // Missed (wrong or skipped) in the child's last session, whatever the
    // table of that session: the next ripasso opens with it.
    bool missedLastSession = false;
    // The first answer ever given to the fact was right.
    bool firstRight = false;
};

// Right within the child's time for a fact.
bool inTime(const Attempt &attempt, int factSeconds);

// The state of a fact at the moment now (wall seconds), from the memory
// model (see FactMemory):
// - learned: the predicted recall a week from now is at least 0.9 (with the
//   child's parameters, and with the defaults when the child's hold the fact
//   longer), the last answer was right in time, and one answer right in time
//   came on a day after the fact's first (a night slept on it);
// - almost: that recall is at least 0.7, or the last answer was right in
//   time;
// - to learn otherwise.
// A right answer in time never lowers a fact's state: it raises its
// stability and starts its forgetting afresh. A skipped question counts as
// wrong.
FactSummary summarize(const QList<Attempt> &oldestFirst, int factSeconds, qint64 now,
    const MemoryParameters &parameters = MemoryParameters::forChildren());

// A child's facts: [table - 1][multiplier - 1].
using FactGrid = std::array<std::array<FactSummary, 10>, 10>;

// Answers further apart than this are two sessions.
inline constexpr int SessionGapSeconds = 20 * 60;

// A child's grid from the child's answers, in any order. Facts outside the
// tables are passed over.
// The memory's parameters are fitted to the child's own answers before the
// week of now (from Monday), once there are enough of them and where the fit
// predicts better than the defaults (see fitMemory): they change at most
// once a week, never with an answer of the week. A fact whose last answers
// were right in time keeps the parameters of the week the run of them began:
// neither a refit nor one more right answer in time lowers its state.
class GridBuilder
{
public:
    // now: the moment the states are for, in wall seconds.
    GridBuilder(int factSeconds, qint64 now)
        : m_factSeconds(factSeconds)
        , m_now(now)
    { }
    void add(int table, int multiplier, const Attempt &attempt);
    void add(const Answer &answer);
    FactGrid finish() const;
    // The states as they were at an earlier moment of the facts "imparato"
    // in learned (a grid from finish()), from the answers before it, with
    // the fits of the weeks already made (each fit reads only the answers
    // before its week): what the page printed for the parents compares.
    FactGrid finishAt(qint64 then, const FactGrid &learned) const;
    // The parameters a fact is judged by, from its answers oldest first (the
    // answers added, and more of this week's).
    MemoryParameters parametersFor(const QList<Attempt> &oldestFirst) const;

private:
    // The parameters fitted on the answers before the week of that day.
    const MemoryParameters &fitOfWeek(qint64 wallSeconds) const;
    const std::array<QList<Attempt>, 100> &sorted() const;

    int m_factSeconds;
    qint64 m_now;
    std::array<QList<Attempt>, 100> m_attempts;
    mutable std::optional<std::array<QList<Attempt>, 100>> m_sorted;
    // By the count of the answers before the week's Monday (see fitOfWeek).
    mutable std::map<qsizetype, MemoryParameters> m_fits;
};

} // namespace Zentovia
