#include "learningrun.h"

#include "learning/factstate.h"
#include "learning/localclock.h"
#include "learning/practiceplan.h"

#include <algorithm>
#include <optional>
#include <random>

namespace Zentovia::Bench {

namespace {

int rank(FactState state)
{
    switch (state) {
    case FactState::NeverAsked:
        return 0;
    case FactState::ToLearn:
        return 1;
    case FactState::Almost:
        return 2;
    case FactState::Learned:
        break;
    }
    return 3;
}

bool usesPlan(Schedule schedule)
{
    return schedule == Schedule::Ripasso || schedule == Schedule::NoComingBack
        || schedule == Schedule::NoMissedFirst || schedule == Schedule::LowestRecall;
}

} // namespace

const char *scheduleName(Schedule schedule)
{
    switch (schedule) {
    case Schedule::Ripasso:
        return "ripasso";
    case Schedule::NoComingBack:
        return "  no miss back";
    case Schedule::NoMissedFirst:
        return "  no misses first";
    case Schedule::LowestRecall:
        return "lowest recall";
    case Schedule::Draws20:
        return "uniform draws, 20";
    case Schedule::Draws42:
        return "uniform draws, 42";
    case Schedule::Round:
        return "round of ten";
    case Schedule::Oracle:
        break;
    }
    return "oracle";
}

quint64 mix(quint64 x)
{
    // splitmix64: well-spread seeds from small numbers.
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

Run learn(LearnerKind kind, Schedule schedule, quint64 seed)
{
    const std::unique_ptr<Learner> learner = makeLearner(kind, Table, seed);
    std::mt19937_64 draws(mix(seed ^ 0xd1ce));
    const auto draw
        = [&draws](int n) { return std::uniform_int_distribution<int>(0, n - 1)(draws); };
    const QDate firstDay(2026, 9, 14); // a Monday
    std::array<QList<Attempt>, 10> attempts;
    QList<int> round;
    QList<int> missedLast; // in the session before
    std::optional<GridBuilder> yesterday; // the grid of the session before
    Run run;
    int questions = 0;
    int gridAllLearned = -1;
    for (int day = 0, session = 0; session < MostSessions; ++day) {
        const QDate date = firstDay.addDays(day);
        if (!playsOnWeekends(kind) && date.dayOfWeek() >= 6) {
            learner->sleep(Day);
            continue;
        }
        const qint64 start = LocalClock::wallSeconds(QDateTime(date, QTime(17, 0)));
        if (session == Sessions / 2)
            run.splitAt = start;
        int held = 0;
        for (int m = 1; m <= 10; ++m)
            held += learner->recallAfter(m, 0) >= Held ? 1 : 0;
        if (session < Sessions)
            run.heldAverage += double(held) / Sessions;
        if (run.untilHeld < 0 && held == 10)
            run.untilHeld = questions;
        if (gridAllLearned >= 0 && run.heldAfterGrid < 0)
            run.heldAfterGrid = held;
        if (session >= Sessions && run.untilHeld >= 0
            && (gridAllLearned < 0 || run.heldAfterGrid >= 0))
            break;
        GridBuilder builder(DefaultFactSeconds, start);
        for (int m = 1; m <= 10; ++m) {
            for (const Attempt &attempt : attempts.at(m - 1))
                builder.add(Table, m, attempt);
        }
        const FactGrid grid = builder.finish();
        const auto judged = [&](const GridBuilder &by, const QList<Attempt> &fact, qint64 at) {
            return rank(summarize(fact, DefaultFactSeconds, at, by.parametersFor(fact)).state);
        };
        run.fitsKept += builder.parametersFor({}) == MemoryParameters::forChildren() ? 0 : 1;
        int learned = 0;
        for (int m = 1; m <= 10; ++m) {
            const FactSummary &fact = grid.at(Table - 1).at(m - 1);
            // The grid of today's fits against the session before's, at the
            // same moment, for a fact last answered right in time.
            if (yesterday && fact.lastInTime
                && rank(fact.state) < judged(*yesterday, attempts.at(m - 1), start))
                ++run.refitDemotions;
            if (fact.state != FactState::Learned)
                continue;
            ++learned;
            if (session < Sessions) {
                ++run.imparatoCells;
                run.imparatoHeldAWeekOn += learner->recallAfter(m, 7 * Day) >= Held ? 1 : 0;
            }
        }
        if (gridAllLearned < 0 && learned == 10)
            gridAllLearned = session;

        std::optional<PracticePlan> plan;
        if (usesPlan(schedule))
            plan.emplace(grid, QList<int> { Table }, draw, start,
                PracticePlan::Rules {
                    schedule == Schedule::Ripasso || schedule == Schedule::NoComingBack,
                    schedule == Schedule::Ripasso || schedule == Schedule::NoMissedFirst });
        const int count = schedule == Schedule::Draws42 ? 42 : 20;
        int last = 0;
        QList<int> asked;
        QList<int> missed;
        for (int q = 0; q < count; ++q) {
            int m = 0;
            switch (schedule) {
            case Schedule::Ripasso:
            case Schedule::NoComingBack:
            case Schedule::NoMissedFirst:
            case Schedule::LowestRecall:
                m = plan->next().multiplier;
                break;
            case Schedule::Draws20:
            case Schedule::Draws42:
                m = 1 + draw(10);
                break;
            case Schedule::Round:
                if (round.isEmpty()) {
                    round = { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 };
                    for (qsizetype i = round.size() - 1; i > 0; --i)
                        std::swap(round[i], round[draw(int(i + 1))]);
                    if (round.first() == last)
                        std::swap(round.first(), round.last());
                }
                m = round.takeFirst();
                break;
            case Schedule::Oracle: {
                double lowest = 2;
                for (int f = 1; f <= 10; ++f) {
                    const double r = learner->recallAfter(f, 0);
                    if (f != last && r < lowest) {
                        lowest = r;
                        m = f;
                    }
                }
                break;
            }
            }
            asked << m;
            const qint64 at = start + qint64(q) * QuestionSeconds;
            const SimulatedChild::Reply reply = learner->answer(m);
            const Attempt attempt { at, reply.outcome, reply.tenths };
            QList<Attempt> &fact = attempts[m - 1];
            if (inTime(attempt, DefaultFactSeconds)) {
                const int before = judged(builder, fact, at);
                fact.append(attempt);
                if (judged(builder, fact, at) < before)
                    ++run.demotions;
            } else {
                fact.append(attempt);
            }
            if (reply.outcome != Outcome::Right && !missed.contains(m))
                missed << m;
            if (plan)
                plan->answered({ Table, m }, reply.outcome == Outcome::Right);
            ++questions;
            last = m;
            learner->wait(QuestionSeconds);
        }
        if (plan && !missedLast.isEmpty()) {
            ++run.openings;
            QList<int> opening = asked.mid(0, missedLast.size());
            std::sort(opening.begin(), opening.end());
            std::sort(missedLast.begin(), missedLast.end());
            run.openedWithMisses += opening == missedLast ? 1 : 0;
        }
        missedLast = missed;
        yesterday.emplace(std::move(builder));
        if (session == Sessions - 1) {
            for (int m = 1; m <= 10; ++m)
                run.heldAfterBreak
                    += learner->recallAfter(m, 14 * Day - count * QuestionSeconds) >= Held ? 1 : 0;
        }
        learner->sleep(Day - count * QuestionSeconds);
        ++session;
    }
    if (run.untilHeld < 0)
        run.untilHeld = questions; // capped: counted as all asked
    run.history = attempts;
    return run;
}

} // namespace Zentovia::Bench
