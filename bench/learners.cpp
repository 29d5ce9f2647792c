#include "learners.h"

#include <algorithm>
#include <cmath>

namespace Zentovia::Bench {

namespace {

constexpr double Day = 86400;

class ActivationLearner : public Learner
{
public:
    ActivationLearner(int table, quint64 seed, const SimulatedChild::Profile &profile)
        : m_child(table, seed, profile)
    { }
    SimulatedChild::Reply answer(int multiplier) override { return m_child.answer(multiplier); }
    double recallAfter(int multiplier, double asleep) const override
    {
        return m_child.recallAfter(multiplier, asleep);
    }
    void wait(double seconds) override { m_child.wait(seconds); }
    void sleep(double seconds) override { m_child.sleep(seconds); }

private:
    SimulatedChild m_child;
};

class ExponentialLearner : public Learner
{
public:
    ExponentialLearner(int table, quint64 seed)
        : m_random(seed)
    {
        std::uniform_real_distribution<double> typing(2, 4);
        std::uniform_real_distribution<double> skipping(0.1, 0.3);
        std::uniform_real_distribution<double> spread(0, 1);
        m_typingSeconds = typing(m_random);
        m_skipping = skipping(m_random);
        const auto easy = [](int n) { return n == 1 || n == 2 || n == 5 || n == 10; };
        for (int m = 1; m <= 10; ++m) {
            Fact &fact = m_facts.at(m - 1);
            const bool isEasy = easy(table) || easy(m);
            fact.difficulty = isEasy ? 2 + 3 * spread(m_random) : 5 + 4 * spread(m_random);
            fact.stability = isEasy ? 0.8 + 1.2 * spread(m_random) : 0.3 + 0.5 * spread(m_random);
            fact.last = -7 * Day; // the last lesson, a week before the first session
        }
    }

    SimulatedChild::Reply answer(int multiplier) override
    {
        Fact &fact = m_facts.at(multiplier - 1);
        std::uniform_real_distribution<double> unit(0, 1);
        std::lognormal_distribution<double> typingJitter(0, 0.2);
        const double typing = m_typingSeconds * typingJitter(m_random);
        const auto tenths
            = [](double seconds) { return std::clamp(int(std::lround(seconds * 10)), 5, 600); };
        const double r = recallOf(fact, m_now);
        const bool sameDay = m_now - fact.last < 0.5 * Day;
        SimulatedChild::Reply reply;
        if (unit(m_random) < r) {
            reply.outcome = Outcome::Right;
            reply.tenths = tenths(1 + 5 * (1 - r) + typing);
            fact.stability
                *= sameDay ? 1.05 : 1 + 3 * (11 - fact.difficulty) / 10 * std::pow(1 - r, 0.8);
        } else {
            const bool skipped = unit(m_random) < m_skipping;
            reply.outcome = skipped ? Outcome::Skipped : Outcome::Wrong;
            reply.tenths = skipped ? 0 : tenths(6 + typing);
            // Heard the product after a wrong answer; nothing after a skip.
            if (!skipped)
                fact.stability = std::max(0.15, fact.stability / 3);
        }
        fact.last = m_now;
        return reply;
    }
    double recallAfter(int multiplier, double asleep) const override
    {
        return recallOf(m_facts.at(multiplier - 1), m_now + asleep);
    }
    void wait(double seconds) override { m_now += seconds; }
    void sleep(double seconds) override { m_now += seconds; }

private:
    struct Fact
    {
        double difficulty = 5;
        double stability = 1; // days
        double last = 0; // seconds
    };
    static double recallOf(const Fact &fact, double at)
    {
        return std::pow(0.9, std::max(0.0, at - fact.last) / Day / fact.stability);
    }

    std::mt19937_64 m_random;
    std::array<Fact, 10> m_facts;
    double m_typingSeconds = 3;
    double m_skipping = 0.2;
    double m_now = 0;
};

} // namespace

const char *learnerName(LearnerKind kind)
{
    switch (kind) {
    case LearnerKind::Activation:
        return "attivazione";
    case LearnerKind::SlowWeekends:
        return "lenti, weekend";
    case LearnerKind::Exponential:
        return "esponenziale";
    case LearnerKind::FastForgetting:
        return "oblio veloce";
    case LearnerKind::ExponentialWeekends:
        break;
    }
    return "esponenziale, weekend";
}

bool playsOnWeekends(LearnerKind kind)
{
    return kind != LearnerKind::SlowWeekends && kind != LearnerKind::ExponentialWeekends;
}

std::unique_ptr<Learner> makeLearner(LearnerKind kind, int table, quint64 seed)
{
    switch (kind) {
    case LearnerKind::Activation:
        return std::make_unique<ActivationLearner>(table, seed, SimulatedChild::Profile {});
    case LearnerKind::SlowWeekends:
        return std::make_unique<ActivationLearner>(
            table, seed, SimulatedChild::Profile { -0.5, 0.05 });
    case LearnerKind::FastForgetting:
        return std::make_unique<ActivationLearner>(
            table, seed, SimulatedChild::Profile { 0, 0.06 });
    case LearnerKind::Exponential:
    case LearnerKind::ExponentialWeekends:
        break;
    }
    return std::make_unique<ExponentialLearner>(table, seed);
}

} // namespace Zentovia::Bench
