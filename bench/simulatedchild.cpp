#include "simulatedchild.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Zentovia::Bench {

namespace {

constexpr double Day = 86400;
// The lessons at school before the first session, in days before it.
constexpr std::array<double, 3> LessonsBefore { 21, 14, 7 };
// A trace is never younger than this, in seconds.
constexpr double Youngest = 1;

double recallAt(double activation)
{
    return 1 / (1 + std::exp((SimulatedChild::Threshold - activation) / SimulatedChild::Noise));
}

double easeOf(int factor)
{
    switch (factor) {
    case 1:
    case 10:
        return 1.5;
    case 2:
    case 5:
        return 0.6;
    default:
        return 0;
    }
}

} // namespace

SimulatedChild::SimulatedChild(int table, quint64 seed, const Profile &profile)
    : m_random(seed)
    , m_betweenSessions(profile.betweenSessions)
{
    std::normal_distribution<double> ability(0, 0.3);
    std::normal_distribution<double> factAbility(0, 0.2);
    std::uniform_real_distribution<double> typing(2, 4);
    std::uniform_real_distribution<double> skipping(0.1, 0.3);
    const double child = ability(m_random) + profile.ability;
    m_typingSeconds = typing(m_random);
    m_skipping = skipping(m_random);
    for (int multiplier = 1; multiplier <= 10; ++multiplier) {
        m_ease.at(multiplier - 1)
            = std::max(easeOf(table), easeOf(multiplier)) + child + factAbility(m_random);
    }
    for (const double days : LessonsBefore) {
        m_now = -m_betweenSessions * days * Day;
        for (int multiplier = 1; multiplier <= 10; ++multiplier)
            practise(multiplier);
    }
    m_now = 0;
}

double SimulatedChild::activation(int multiplier, double at) const
{
    double strength = 0;
    for (const Trace &trace : m_traces.at(multiplier - 1))
        strength += std::pow(std::max(Youngest, at - trace.at), -trace.decay);
    if (strength <= 0)
        return -std::numeric_limits<double>::infinity();
    return m_ease.at(multiplier - 1) + std::log(strength);
}

double SimulatedChild::recallAfter(int multiplier, double asleep) const
{
    return recallAt(activation(multiplier, m_now + m_betweenSessions * asleep));
}

void SimulatedChild::practise(int multiplier)
{
    const double before = activation(multiplier, m_now);
    m_traces[multiplier - 1].append({ m_now, DecayScale * std::exp(before) + DecayIntercept });
}

SimulatedChild::Reply SimulatedChild::answer(int multiplier)
{
    std::uniform_real_distribution<double> unit(0, 1);
    // The typing: the child's own pace, some answers slower than others.
    std::lognormal_distribution<double> typingJitter(0, 0.2);
    const double typing = m_typingSeconds * typingJitter(m_random);
    const auto tenths
        = [](double seconds) { return std::clamp(int(std::lround(seconds * 10)), 5, 600); };

    const double m = activation(multiplier, m_now);
    Reply reply;
    if (unit(m_random) < recallAt(m)) {
        reply.outcome = Outcome::Right;
        reply.tenths = tenths(RecallSeconds * std::exp(-m) + typing);
        practise(multiplier);
    } else if (unit(m_random) < m_skipping) {
        reply.outcome = Outcome::Skipped;
    } else {
        reply.outcome = Outcome::Wrong;
        reply.tenths = tenths(RecallSeconds * std::exp(-Threshold) + typing);
        practise(multiplier); // the product, heard from the wizard
    }
    return reply;
}

} // namespace Zentovia::Bench
