#include "learning/memorymodel.h"

#include "learning/localclock.h"

#include <algorithm>
#include <cmath>

namespace Zentovia {

namespace {

constexpr double Decay = -0.5;
constexpr double Factor = 19.0 / 81.0; // so that R(S) = 0.9
constexpr double SecondsPerDay = 86400;
constexpr double LeastStability = 0.01; // days: about a quarter of an hour

double retrievability(double days, double stability)
{
    return std::pow(1 + Factor * std::max(days, 0.0) / stability, Decay);
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
    // spaced success's gain 0.3 of theirs: cautious, so that a fact shows
    // learned only once a child has kept it over days (see
    // docs/memory-model.md); the fit to each child's answers moves them.
    for (int grade = 0; grade < 4; ++grade)
        parameters.w[grade] *= 0.1;
    parameters.w[8] += std::log(0.3);
    return parameters;
}

FactMemory::FactMemory(const MemoryParameters &parameters)
    : m_parameters(parameters)
{ }

void FactMemory::add(const Attempt &attempt, int factSeconds)
{
    add(attempt.wallSeconds, gradeOf(attempt, factSeconds));
}

void FactMemory::add(qint64 wallSeconds, Grade grade)
{
    const auto &w = m_parameters.w;
    const double g = int(grade);
    const auto firstDifficulty = [&](double ofGrade) {
        return clampDifficulty(w[4] - std::exp(w[5] * (ofGrade - 1)) + 1);
    };
    if (!m_asked) {
        m_asked = true;
        m_stability = std::max(w[int(grade) - 1], LeastStability);
        m_difficulty = firstDifficulty(g);
        m_last = wallSeconds;
        return;
    }
    const double days = double(wallSeconds - m_last) / SecondsPerDay;
    const bool sameDay = LocalClock::wallDay(wallSeconds) == LocalClock::wallDay(m_last);
    const double recall = retrievability(days, m_stability);
    if (sameDay) {
        // Short-term memory: a retry of the day shows what was just heard or
        // said, not what will last. A miss or a slow answer lowers the
        // stability by the step of its grade; a success leaves it as it was.
        m_stability *= std::min(1.0, std::exp(w[17] * (g - 3 + w[18])));
    } else if (grade == Grade::Again) {
        const double lapse = w[11] * std::pow(m_difficulty, -w[12])
            * (std::pow(m_stability + 1, w[13]) - 1) * std::exp(w[14] * (1 - recall));
        m_stability = std::min(lapse, m_stability);
    } else {
        const double gain = std::exp(w[8]) * (11 - m_difficulty) * std::pow(m_stability, -w[9])
            * (std::exp(w[10] * (1 - recall)) - 1) * (grade == Grade::Hard ? w[15] : 1)
            * (grade == Grade::Easy ? w[16] : 1);
        m_stability *= gain + 1;
    }
    m_stability = std::max(m_stability, LeastStability);
    // Difficulty moves against the grade, less as it nears 10, and back
    // towards that of a first easy answer.
    const double moved = m_difficulty - w[6] * (g - 3) * (10 - m_difficulty) / 9;
    m_difficulty = clampDifficulty(w[7] * firstDifficulty(4) + (1 - w[7]) * moved);
    m_last = wallSeconds;
}

double FactMemory::recallAt(qint64 wallSeconds) const
{
    if (!m_asked)
        return 0;
    return retrievability(double(wallSeconds - m_last) / SecondsPerDay, m_stability);
}

QList<Prediction> predictions(
    const QList<QList<Attempt>> &facts, int factSeconds, const MemoryParameters &parameters)
{
    QList<Prediction> out;
    for (const QList<Attempt> &attempts : facts) {
        FactMemory memory(parameters);
        for (const Attempt &attempt : attempts) {
            // Each day's first answer: what the model says of memory over
            // days. A retry of the day is short-term memory (see add()).
            if (memory.asked()
                && LocalClock::wallDay(attempt.wallSeconds)
                    != LocalClock::wallDay(memory.lastSeconds()))
                out.append(
                    { memory.recallAt(attempt.wallSeconds), attempt.outcome == Outcome::Right });
            memory.add(attempt, factSeconds);
        }
    }
    return out;
}

double logLoss(const QList<Prediction> &predictions)
{
    if (predictions.isEmpty())
        return 0;
    double sum = 0;
    for (const Prediction &p : predictions) {
        const double r = std::clamp(p.recall, 1e-4, 1 - 1e-4);
        sum -= p.right ? std::log(r) : std::log(1 - r);
    }
    return sum / double(predictions.size());
}

MemoryParameters fitParameters(const QList<QList<Attempt>> &allFacts, int factSeconds)
{
    MemoryParameters best = MemoryParameters::forChildren();
    qsizetype answers = 0;
    for (const QList<Attempt> &attempts : allFacts)
        answers += attempts.size();
    if (answers < MinimumAnswersToFit)
        return best;
    // Each fact's latest answers: a child of years of answers is fitted on
    // how the child learns now, in a bounded time.
    QList<QList<Attempt>> facts;
    for (const QList<Attempt> &attempts : allFacts)
        facts.append(attempts.mid(std::max<qsizetype>(0, attempts.size() - FittedPerFact)));
    // Two scales, searched in turn on a coarse then finer grid: the first
    // stabilities (how long a new fact lasts) and the gain of a spaced
    // success (how fast it grows).
    double bestLoss = logLoss(predictions(facts, factSeconds, best));
    const MemoryParameters start = best;
    double scales[2] = { 1, 1 };
    const auto apply = [&](const double(&s)[2]) {
        MemoryParameters p = start;
        for (int grade = 0; grade < 4; ++grade)
            p.w[grade] *= s[0];
        p.w[8] += std::log(s[1]);
        return p;
    };
    for (const double step : { 2.0, 1.41, 1.19 }) {
        for (int round = 0; round < 2; ++round) {
            for (int which = 0; which < 2; ++which) {
                for (const double by : { step, 1 / step }) {
                    double tried[2] = { scales[0], scales[1] };
                    tried[which] *= by;
                    const MemoryParameters p = apply(tried);
                    const double loss = logLoss(predictions(facts, factSeconds, p));
                    if (loss < bestLoss) {
                        bestLoss = loss;
                        best = p;
                        scales[0] = tried[0];
                        scales[1] = tried[1];
                    }
                }
            }
        }
    }
    return best;
}

} // namespace Zentovia
