#include "learning/factstate.h"

#include "learning/localclock.h"
#include "learning/memoryfit.h"

#include <QCryptographicHash>
#include <QMutex>

#include <algorithm>
#include <deque>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

// The fits this program has made, by what they were made of: the same
// answers fitted again (the class at a glance read again, a child's grid
// opened twice) take no time, with the same result. The oldest go first.
constexpr std::size_t KeptFits = 2048;

MemoryParameters keptFit(const QList<QList<Attempt>> &facts, int factSeconds)
{
    static_assert(sizeof(Attempt) == sizeof(qint64) + 2 * sizeof(int), "no padding to hash");
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArrayView(reinterpret_cast<const char *>(&factSeconds), sizeof factSeconds));
    for (const QList<Attempt> &attempts : facts) {
        const qsizetype size = attempts.size();
        hash.addData(QByteArrayView(reinterpret_cast<const char *>(&size), sizeof size));
        hash.addData(QByteArrayView(reinterpret_cast<const char *>(attempts.constData()),
            size * qsizetype(sizeof(Attempt))));
    }
    const QByteArray key = hash.result();
    static QMutex mutex;
    static std::map<QByteArray, MemoryParameters> kept;
    static std::deque<QByteArray> order;
    {
        const QMutexLocker lock(&mutex);
        const auto found = kept.find(key);
        if (found != kept.end())
            return found->second;
    }
    const MemoryParameters fitted = fitMemory(facts, factSeconds).parameters;
    const QMutexLocker lock(&mutex);
    if (kept.emplace(key, fitted).second) {
        order.push_back(key);
        if (order.size() > KeptFits) {
            kept.erase(order.front());
            order.pop_front();
        }
    }
    return fitted;
}

} // namespace

QString stateName(FactState state)
{
    switch (state) {
    case FactState::NeverAsked:
        return u"mai chiesto"_s;
    case FactState::Learned:
        return u"imparato"_s;
    case FactState::Almost:
        return u"quasi"_s;
    case FactState::ToLearn:
        break;
    }
    return u"da imparare"_s;
}

bool inTime(const Attempt &attempt, int factSeconds)
{
    return attempt.outcome == Outcome::Right && attempt.tenths <= factSeconds * 10;
}

FactSummary summarize(const QList<Attempt> &oldestFirst, int factSeconds, qint64 now,
    const MemoryParameters &parameters)
{
    FactSummary summary;
    summary.memory = FactMemory(parameters);
    if (oldestFirst.isEmpty())
        return summary;

    QList<int> tenths;
    tenths.reserve(oldestFirst.size());
    const Attempt *lastMistake = nullptr;
    for (const Attempt &attempt : oldestFirst) {
        if (attempt.outcome == Outcome::Right)
            ++summary.right;
        else
            lastMistake = &attempt;
        if (attempt.outcome != Outcome::Skipped)
            tenths.append(attempt.tenths);
    }
    summary.asked = int(oldestFirst.size());
    if (!tenths.isEmpty()) {
        const auto middle = tenths.begin() + tenths.size() / 2;
        std::nth_element(tenths.begin(), middle, tenths.end());
        double median = *middle;
        if (tenths.size() % 2 == 0)
            median = (median + *std::max_element(tenths.begin(), middle)) / 2;
        summary.medianSeconds = median / 10;
    }
    const Attempt &last = oldestFirst.constLast();
    summary.lastDay = LocalClock::dateOf(last.wallSeconds);
    summary.lastAsked = LocalClock::fromWallSeconds(last.wallSeconds);
    if (lastMistake)
        summary.lastMistake = LocalClock::fromWallSeconds(lastMistake->wallSeconds);

    const qint64 firstDay = LocalClock::wallDay(oldestFirst.constFirst().wallSeconds);
    bool keptOverANight = false;
    for (const Attempt &attempt : oldestFirst) {
        summary.memory.add(attempt, factSeconds);
        keptOverANight = keptOverANight
            || (inTime(attempt, factSeconds)
                && LocalClock::wallDay(attempt.wallSeconds) > firstDay);
    }
    summary.firstRight = oldestFirst.constFirst().outcome == Outcome::Right;
    summary.recallNow = summary.memory.recallAt(now);
    summary.recallInAWeek = summary.memory.recallAt(now + WeekSeconds);
    // A fit that holds a fact longer than the defaults do does not make it
    // learned sooner: the grid bets on a week, and a wrong "imparato" costs
    // more than a late one.
    const bool lastInTime = inTime(last, factSeconds);
    double learnedRecall = summary.recallInAWeek;
    if (learnedRecall >= LearnedRecall && lastInTime && keptOverANight
        && !(parameters == MemoryParameters::forChildren())) {
        FactMemory byDefaults;
        for (const Attempt &attempt : oldestFirst)
            byDefaults.add(attempt, factSeconds);
        learnedRecall = std::min(learnedRecall, byDefaults.recallAt(now + WeekSeconds));
    }
    summary.lastOutcome = last.outcome;
    summary.lastInTime = lastInTime;
    summary.factSeconds = factSeconds;
    if (learnedRecall >= LearnedRecall && lastInTime && keptOverANight)
        summary.state = FactState::Learned;
    else if (summary.recallInAWeek >= AlmostRecall || lastInTime)
        summary.state = FactState::Almost;
    else
        summary.state = FactState::ToLearn;
    return summary;
}

void GridBuilder::add(int table, int multiplier, const Attempt &attempt)
{
    m_sorted.reset();
    m_fits.clear();
    if (table < 1 || table > 10 || multiplier < 1 || multiplier > 10)
        return;
    m_attempts.at((table - 1) * 10 + multiplier - 1).append(attempt);
}

void GridBuilder::add(const Answer &answer)
{
    add(answer.table, answer.multiplier,
        { LocalClock::wallSeconds(answer.at), answer.outcome, answer.tenths });
}

const std::array<QList<Attempt>, 100> &GridBuilder::sorted() const
{
    if (!m_sorted) {
        m_sorted = m_attempts;
        for (QList<Attempt> &attempts : *m_sorted)
            std::stable_sort(attempts.begin(), attempts.end(),
                [](const Attempt &a, const Attempt &b) { return a.wallSeconds < b.wallSeconds; });
    }
    return *m_sorted;
}

const MemoryParameters &GridBuilder::fitOfWeek(qint64 wallSeconds) const
{
    // 1970-01-01, day 0, was a Thursday.
    const qint64 day = LocalClock::wallDay(wallSeconds);
    const qint64 monday = day - (((day + 3) % 7) + 7) % 7;
    const auto beforeMonday = [monday](const QList<Attempt> &attempts) {
        return std::lower_bound(attempts.begin(), attempts.end(), monday,
            [](const Attempt &a, qint64 d) { return LocalClock::wallDay(a.wallSeconds) < d; });
    };
    // The answers before a Monday are those before a moment: of two such
    // sets, the one with more answers holds the other, and two of one count
    // are the same answers, fitted once (the weeks no answer came in, and a
    // week ago against now for a child who has not played since).
    qsizetype count = 0;
    for (const QList<Attempt> &attempts : sorted())
        count += beforeMonday(attempts) - attempts.begin();
    auto fit = m_fits.find(count);
    if (fit == m_fits.end()) {
        QList<QList<Attempt>> before;
        for (const QList<Attempt> &attempts : sorted())
            before.append(QList<Attempt>(attempts.begin(), beforeMonday(attempts)));
        fit = m_fits.emplace(count, keptFit(before, m_factSeconds)).first;
    }
    return fit->second;
}

FactGrid GridBuilder::finishAt(qint64 then, const FactGrid &learned) const
{
    GridBuilder earlier(m_factSeconds, then);
    const std::array<QList<Attempt>, 100> &facts = sorted();
    for (int fact = 0; fact < 100; ++fact) {
        for (const Attempt &attempt : facts.at(fact))
            if (attempt.wallSeconds < then)
                earlier.m_attempts.at(fact).append(attempt);
    }
    // The answers before then hold each set of answers before a Monday that
    // has fewer of them: the fits are those of the same answers.
    earlier.m_fits = m_fits;
    const std::array<QList<Attempt>, 100> &before = earlier.sorted();
    FactGrid grid;
    for (int fact = 0; fact < 100; ++fact) {
        if (learned.at(fact / 10).at(fact % 10).state == FactState::Learned)
            grid.at(fact / 10).at(fact % 10) = summarize(
                before.at(fact), m_factSeconds, then, earlier.parametersFor(before.at(fact)));
    }
    return grid;
}

MemoryParameters GridBuilder::parametersFor(const QList<Attempt> &oldestFirst) const
{
    auto run = oldestFirst.end();
    while (run != oldestFirst.begin() && inTime(*(run - 1), m_factSeconds))
        --run;
    return fitOfWeek(run == oldestFirst.end() ? m_now : std::min(run->wallSeconds, m_now));
}

FactGrid GridBuilder::finish() const
{
    const std::array<QList<Attempt>, 100> &facts = sorted();
    QList<qint64> moments;
    for (const QList<Attempt> &attempts : facts) {
        for (const Attempt &attempt : attempts)
            moments.append(attempt.wallSeconds);
    }
    // The last session: the answers up to the latest with no pause longer
    // than a session's gap between two of them.
    std::sort(moments.begin(), moments.end());
    qint64 sessionFrom = moments.isEmpty() ? 0 : moments.constLast();
    for (qsizetype i = moments.size() - 1;
         i > 0 && moments.at(i) - moments.at(i - 1) <= SessionGapSeconds; --i)
        sessionFrom = moments.at(i - 1);
    FactGrid grid;
    for (int fact = 0; fact < 100; ++fact) {
        const QList<Attempt> &attempts = facts.at(fact);
        FactSummary &summary = grid.at(fact / 10).at(fact % 10);
        summary = summarize(attempts, m_factSeconds, m_now, parametersFor(attempts));
        summary.missedLastSession
            = std::any_of(attempts.begin(), attempts.end(), [&](const Attempt &a) {
                  return a.wallSeconds >= sessionFrom && a.outcome != Outcome::Right;
              });
    }
    return grid;
}

} // namespace Zentovia
