#include "learning/memorymodel.h"

#include "learning/localclock.h"

#include <algorithm>
#include <cmath>

namespace Zentovia {

namespace {

constexpr double SecondsPerDay = 86400;
constexpr double LeastStability = 0.01; // days: about a quarter of an hour
constexpr double WeekDays = 7;

// FSRS-6's curve: f makes R(S) = 0.9 whatever the decay.
double curveFactor(double decay)
{
    return std::pow(0.9, -1 / decay) - 1;
}

double retrievability(double days, double stability, double decay, double factor)
{
    return std::pow(1 + factor * std::max(days, 0.0) / stability, -decay);
}

double clampDifficulty(double difficulty)
{
    return std::clamp(difficulty, 1.0, 10.0);
}

} // namespace

Grade gradeOf(const Attempt &attempt, int factSeconds)
{
    if (attempt.outcome != Outcome::Right)
        return Grade::Again;
    if (attempt.tenths > factSeconds * 10)
        return Grade::Hard;
    return attempt.tenths * 2 <= factSeconds * 10 ? Grade::Easy : Grade::Good;
}

MemoryParameters MemoryParameters::forChildren()
{
    MemoryParameters parameters { { 0.40255, 1.18385, 3.173, 15.69105, 7.1949, 0.5345, 1.4604,
        0.0046, 1.54575, 0.1192, 1.01925, 1.9395, 0.11, 0.29605, 2.2698, 0.2315, 2.9898, 0.51655,
        0.6621 } };
    // A child's first stabilities a tenth of an adult's flashcards', and a
    // spaced success's gain 0.15 of theirs: cautious, so that a fact shows
    // learned only once a child has kept it over days (see
    // docs/memory-model.md, chosen on other simulated children than those
    // bench-learning judges); the fit to each child's answers moves them.
    for (int grade = 0; grade < 4; ++grade)
        parameters.w[grade] *= 0.1;
    parameters.w[8] += std::log(0.15);
    return parameters;
}

FactMemory::FactMemory(const MemoryParameters &parameters)
    : m_parameters(parameters)
    , m_factor(curveFactor(parameters.decay))
    , m_spacedGain(std::exp(parameters.w[8]))
{
    const auto &w = m_parameters.w;
    m_easyDifficulty = clampDifficulty(w[4] - std::exp(w[5] * (4.0 - 1)) + 1);
    for (int grade = 1; grade <= 4; ++grade)
        m_retryStep.at(grade - 1) = std::min(1.0, std::exp(w[17] * (grade - 3 + w[18])));
}

void FactMemory::add(const Attempt &attempt, int factSeconds)
{
    add(attempt.wallSeconds, gradeOf(attempt, factSeconds));
}

void FactMemory::add(qint64 wallSeconds, Grade grade)
{
    bool newDay = false;
    addGraded(wallSeconds, grade, &newDay);
}

std::optional<double> FactMemory::addOnANewDay(const Attempt &attempt, int factSeconds)
{
    bool newDay = false;
    const double recall = addGraded(attempt.wallSeconds, gradeOf(attempt, factSeconds), &newDay);
    return newDay ? std::optional<double>(recall) : std::nullopt;
}

double FactMemory::addGraded(qint64 wallSeconds, Grade grade, bool *newDay)
{
    const auto &w = m_parameters.w;
    const double g = int(grade);
    if (!m_asked) {
        m_asked = true;
        m_stability = std::max(w[int(grade) - 1], LeastStability);
        m_difficulty = clampDifficulty(w[4] - std::exp(w[5] * (g - 1)) + 1);
        m_last = wallSeconds;
        return 0;
    }
    *newDay = LocalClock::wallDay(wallSeconds) != LocalClock::wallDay(m_last);
    double recall = 0;
    if (!*newDay) {
        // Short-term memory: a retry of the day shows what was just heard or
        // said, not what will last. A miss or a slow answer lowers the
        // stability by the step of its grade; a success leaves it as it was.
        m_stability *= m_retryStep.at(int(grade) - 1);
    } else {
        const double days = double(wallSeconds - m_last) / SecondsPerDay;
        recall = retrievability(days, m_stability, m_parameters.decay, m_factor);
        if (grade == Grade::Again) {
            const double lapse = w[11] * std::pow(m_difficulty, -w[12])
                * (std::pow(m_stability + 1, w[13]) - 1) * std::exp(w[14] * (1 - recall));
            m_stability = std::min(lapse, m_stability);
        } else {
            const double gain = m_spacedGain * (11 - m_difficulty) * std::pow(m_stability, -w[9])
                * (std::exp(w[10] * (1 - recall)) - 1) * (grade == Grade::Hard ? w[15] : 1)
                * (grade == Grade::Easy ? w[16] : 1);
            m_stability *= gain + 1;
        }
    }
    m_stability = std::max(m_stability, LeastStability);
    // Difficulty moves against the grade, less as it nears 10, and back
    // towards that of a first easy answer.
    const double moved = m_difficulty - w[6] * (g - 3) * (10 - m_difficulty) / 9;
    m_difficulty = clampDifficulty(w[7] * m_easyDifficulty + (1 - w[7]) * moved);
    m_last = wallSeconds;
    return recall;
}

double FactMemory::recallAt(qint64 wallSeconds) const
{
    if (!m_asked)
        return 0;
    return retrievability(
        double(wallSeconds - m_last) / SecondsPerDay, m_stability, m_parameters.decay, m_factor);
}

QList<Prediction> predictions(const QList<QList<Attempt>> &facts, int factSeconds,
    const MemoryParameters &parameters, qint64 from)
{
    QList<Prediction> out;
    const FactMemory fresh(parameters);
    for (const QList<Attempt> &attempts : facts) {
        FactMemory memory = fresh;
        for (const Attempt &attempt : attempts) {
            // Each day's first answer: what the model says of memory over
            // days. A retry of the day is short-term memory (see add()).
            const qint64 before = memory.lastSeconds();
            const std::optional<double> recall = memory.addOnANewDay(attempt, factSeconds);
            if (recall && attempt.wallSeconds >= from)
                out.append({ *recall, attempt.outcome == Outcome::Right,
                    double(attempt.wallSeconds - before) / SecondsPerDay });
        }
    }
    return out;
}

double lossWeight(const Prediction &prediction)
{
    return std::clamp(prediction.days, 0.0, WeekDays) / WeekDays;
}

double weightedLoss(const Prediction &prediction)
{
    const double r = std::clamp(prediction.recall, 1e-4, 1 - 1e-4);
    return lossWeight(prediction) * (prediction.right ? -std::log(r) : -std::log(1 - r));
}

double logLoss(const QList<Prediction> &predictions)
{
    double sum = 0;
    double weights = 0;
    for (const Prediction &p : predictions) {
        sum += weightedLoss(p);
        weights += lossWeight(p);
    }
    return weights > 0 ? sum / weights : 0;
}

} // namespace Zentovia
