#include "learning/memoryfit.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace Zentovia {

namespace {

constexpr double LeastDecay = 0.1;
constexpr double MostDecay = 3;

// The defaults moved by three factors: the first stabilities, the gain of a
// spaced success, the decay.
MemoryParameters scaled(const MemoryParameters &defaults, const std::array<double, 3> &by)
{
    MemoryParameters p = defaults;
    for (int grade = 0; grade < 4; ++grade)
        p.w[grade] *= by[0];
    p.w[8] += std::log(by[1]);
    p.decay = std::clamp(defaults.decay * by[2], LeastDecay, MostDecay);
    return p;
}

// logLoss(predictions(facts, ...)), or nullopt as soon as it cannot be
// below `below`: weights is the sum of the predictions' weights, the same
// whatever the parameters (which answers are predicted, and how many days
// after the one before, does not depend on them). Each weighted loss is
// positive, so the sum only grows.
std::optional<double> logLossBelow(const QList<QList<Attempt>> &facts, int factSeconds,
    const MemoryParameters &parameters, double weights, double below)
{
    if (!(weights > 0))
        return std::nullopt; // nothing to judge a move by: none is made
    double sum = 0;
    const FactMemory fresh(parameters);
    for (const QList<Attempt> &attempts : facts) {
        FactMemory memory = fresh;
        for (const Attempt &attempt : attempts) {
            const qint64 before = memory.lastSeconds();
            const std::optional<double> recall = memory.addOnANewDay(attempt, factSeconds);
            if (recall && attempt.wallSeconds >= 0) // as predictions() from 0
                sum += weightedLoss({ *recall, attempt.outcome == Outcome::Right,
                    double(attempt.wallSeconds - before) / 86400 });
        }
        if (sum / weights >= below)
            return std::nullopt;
    }
    return sum / weights;
}

} // namespace

MemoryFit fitMemory(
    const QList<QList<Attempt>> &allFacts, int factSeconds, const MemoryParameters &defaults)
{
    MemoryFit fit { defaults, defaults };
    QList<QList<Attempt>> facts;
    QList<qint64> moments;
    qsizetype answers = 0;
    for (const QList<Attempt> &attempts : allFacts) {
        answers += attempts.size();
        // Each fact's latest answers: a child of years of answers is fitted
        // on how the child learns now, in a bounded time.
        facts.append(attempts.mid(std::max<qsizetype>(0, attempts.size() - FittedPerFact)));
        for (const Attempt &attempt : std::as_const(facts.last()))
            moments.append(attempt.wallSeconds);
    }
    if (answers < MinimumAnswersToFit)
        return fit;
    const auto split = moments.begin() + qsizetype(double(moments.size()) * (1 - JudgedShare));
    std::nth_element(moments.begin(), split, moments.end());
    const qint64 judgedFrom = *split;
    QList<QList<Attempt>> older;
    for (const QList<Attempt> &attempts : std::as_const(facts)) {
        const auto end = std::lower_bound(attempts.begin(), attempts.end(), judgedFrom,
            [](const Attempt &a, qint64 at) { return a.wallSeconds < at; });
        older.append(QList<Attempt>(attempts.begin(), end));
    }
    const QList<Prediction> judged = predictions(facts, factSeconds, defaults, judgedFrom);
    if (judged.size() < MinimumJudged)
        return fit;

    // A search of each factor in turn, coarse then finer.
    std::array<double, 3> best { 1, 1, 1 };
    const QList<Prediction> first = predictions(older, factSeconds, defaults);
    double bestLoss = logLoss(first);
    double weights = 0;
    for (const Prediction &p : first)
        weights += lossWeight(p);
    for (const double step : { 2.0, 1.41, 1.19 }) {
        for (int round = 0; round < 2; ++round) {
            bool moved = false;
            for (std::size_t which = 0; which < best.size(); ++which) {
                for (const double by : { step, 1 / step }) {
                    std::array<double, 3> tried = best;
                    tried[which] *= by;
                    const std::optional<double> loss = logLossBelow(
                        older, factSeconds, scaled(defaults, tried), weights, bestLoss);
                    if (loss && *loss < bestLoss) {
                        bestLoss = *loss;
                        best = tried;
                        moved = true;
                    }
                }
            }
            if (!moved)
                break;
        }
    }
    const MemoryParameters candidate = scaled(defaults, best);
    fit.candidate = candidate;
    fit.judged = int(judged.size());
    fit.defaultsLoss = logLoss(judged);
    fit.fittedLoss = logLoss(predictions(facts, factSeconds, candidate, judgedFrom));
    if (fit.fittedLoss < fit.defaultsLoss) {
        fit.parameters = candidate;
        fit.kept = true;
    }
    return fit;
}

} // namespace Zentovia
