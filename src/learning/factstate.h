#pragma once

#include "learning/answer.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <array>
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

// One answer to a fact, as much of it as the state needs.
struct Attempt
{
    qint64 wallSeconds = 0; // see LocalClock
    Outcome outcome = Outcome::Wrong;
    int tenths = 0;
};

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
};

// Right within the child's time for a fact.
bool inTime(const Attempt &attempt, int factSeconds);

// The state of a fact: learned when at least 2 of its last 3 answers were
// right in time, on at least two different days; almost when the last one
// was right in time; to learn otherwise. A skipped question counts as wrong.
FactSummary summarize(const QList<Attempt> &oldestFirst, int factSeconds);

// A child's facts: [table - 1][multiplier - 1].
using FactGrid = std::array<std::array<FactSummary, 10>, 10>;

// A child's grid from the child's answers, in any order. Facts outside the
// tables are passed over.
class GridBuilder
{
public:
    explicit GridBuilder(int factSeconds)
        : m_factSeconds(factSeconds)
    { }
    void add(int table, int multiplier, const Attempt &attempt);
    void add(const Answer &answer);
    FactGrid finish() const;

private:
    int m_factSeconds;
    std::array<QList<Attempt>, 100> m_attempts;
};

} // namespace Zentovia
