#pragma once

#include "learning/answer.h"

#include <QList>
#include <QtGlobal>

#include <array>
#include <optional>

namespace Zentovia {

// One answer to a fact, as much of it as the memory and the state need.
struct Attempt
{
    qint64 wallSeconds = 0; // see LocalClock
    Outcome outcome = Outcome::Wrong;
    int tenths = 0;
};

// How an answer went, for the memory: the drill has no self-rating, so the
// grade comes from the outcome and the seconds against the child's time for
// a fact.
enum class Grade { Again = 1, Hard, Good, Easy };

// Wrong or skipped: Again; right but past the time for a fact: Hard; right in
// time: Good; right within half of it: Easy.
Grade gradeOf(const Attempt &attempt, int factSeconds);

// The weights of the memory model (see docs/memory-model.md): w[0..3] the
// first stability of each grade, w[4..7] difficulty, w[8..10] a spaced
// success, w[11..14] a lapse, w[15] and w[16] the hard and easy factors,
// w[17] and w[18] a retry on the same day.
struct MemoryParameters
{
    std::array<double, 19> w;
    // The forgetting curve's decay d: R(t) = (1 + f * t / S)^-d, f such that
    // R(S) = 0.9. 0.5 is the fixed decay of FSRS-5; a larger d bends the
    // curve towards an exponential, a smaller one holds it up longer.
    double decay = 0.5;
    // The published defaults of the difficulty/stability/retrievability
    // model (FSRS-5), made cautious for children: the first stabilities and
    // the gain of a spaced success scaled down.
    static MemoryParameters forChildren();
    friend bool operator==(const MemoryParameters &, const MemoryParameters &) = default;
};

// One fact's memory, from its answers oldest first: its difficulty D (1 to
// 10), its stability S (the days after which recall falls to 90 %) and the
// moment of the last answer, from which the predicted recall decays as a
// power of the time:
//     R(t) = (1 + f * t / S)^-d,  t in days, f = 0.9^(-1/d) - 1.
// A success raises S, more when R was low (spaced) than when it was high
// (massed); a lapse lowers it. An answer on the same day as the one before
// (a retry, or a second round of a session) is evidence of short-term memory
// only: a miss or a slow answer lowers S a little, a success leaves it.
class FactMemory
{
public:
    explicit FactMemory(const MemoryParameters &parameters = MemoryParameters::forChildren());

    void add(const Attempt &attempt, int factSeconds);
    // add() with a grade: the ripasso, which hears right or wrong alone.
    void add(qint64 wallSeconds, Grade grade);
    // add(), giving the recall predicted for the answer before it was given
    // (as recallAt() would): nullopt for the first answer and for a retry on
    // the day of the answer before, which a fit does not score.
    std::optional<double> addOnANewDay(const Attempt &attempt, int factSeconds);

    bool asked() const { return m_asked; }
    double stability() const { return m_stability; }
    double difficulty() const { return m_difficulty; }
    qint64 lastSeconds() const { return m_last; }
    const MemoryParameters &parameters() const { return m_parameters; }
    // The predicted chance of recall at a moment (wall seconds, see
    // LocalClock); 0 for a fact never asked.
    double recallAt(qint64 wallSeconds) const;

private:
    double addGraded(qint64 wallSeconds, Grade grade, bool *newDay);

    MemoryParameters m_parameters;
    // What depends on the parameters alone, worked out once: the curve's
    // factor, a spaced success's exp(w[8]), the difficulty of a first easy
    // answer, and a retry's step of each grade.
    double m_factor = 0;
    double m_spacedGain = 0;
    double m_easyDifficulty = 0;
    std::array<double, 4> m_retryStep {};
    bool m_asked = false;
    double m_stability = 0;
    double m_difficulty = 0;
    qint64 m_last = 0;
};

// The predicted recall of each day's first attempt of these facts before it
// was given (the first of each fact has none), with whether it was right
// and the days since the fact's answer before: what a fit scores. facts:
// each fact's attempts, oldest first; only the attempts from `from` on are
// scored, the earlier ones still build the memory.
struct Prediction
{
    double recall = 0;
    bool right = false;
    double days = 1;
};
QList<Prediction> predictions(const QList<QList<Attempt>> &facts, int factSeconds,
    const MemoryParameters &parameters, qint64 from = 0);

// The mean log loss of predictions: lower is better. Weighted, each
// prediction counts as much as its days ahead, up to a week: the grid bets on
// a week, and a prediction a day ahead says less of that.
double logLoss(const QList<Prediction> &predictions);
// One prediction's weight in logLoss, and its weighted loss.
double lossWeight(const Prediction &prediction);
double weightedLoss(const Prediction &prediction);

} // namespace Zentovia
