// How well each way of choosing the questions teaches a times table, judged by
// what the simulated learners truly remember (see learners.h), never by the
// grid's own label; and how soon the ripasso chooses its next fact and the
// grid is made for a child with 100,000 answers.
//
// The same children (seeds) meet every way of choosing:
// - the ripasso (PracticePlan on the memory model), 20 questions a session;
// - the contest's uniform draws, 20 questions a session and a seven-minute
//   contest's 42;
// - a shuffled round of the ten facts, again and again, 20 a session;
// - an oracle that reads the learner's true recall and asks the lowest, 20
//   a session: the upper bound.
// One session a day at five in the afternoon (school days alone for the
// learners who play on them), 12 seconds a question.
//
//   bench-learning
//   bench-learning --quaderno PATH   a notebook of one child's ripassi, to look at
#include "learners.h"
#include "measure.h"

#include "learning/factstate.h"
#include "learning/localclock.h"
#include "learning/practiceplan.h"
#include "notebook/notebook.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <array>
#include <cstdio>
#include <random>

#include <time.h>

using namespace Zentovia;
using namespace Zentovia::Bench;

namespace {

constexpr int Table = 7;
constexpr int Children = 30;
constexpr int Sessions = 30; // the averages are over these
constexpr int MostSessions = 90; // for the questions until the table is held
constexpr int QuestionSeconds = 12;
constexpr double Day = 86400;
constexpr double Held = 0.9;

enum class Schedule { Ripasso, Draws20, Draws42, Round, Oracle };
constexpr Schedule Schedules[] = { Schedule::Ripasso, Schedule::Draws20, Schedule::Draws42,
    Schedule::Round, Schedule::Oracle };

const char *scheduleName(Schedule schedule)
{
    switch (schedule) {
    case Schedule::Ripasso:
        return "ripasso";
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

const char *verdict(bool met)
{
    return met ? "ok" : "MISSED";
}

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

struct Run
{
    int untilHeld = -1; // questions until every fact is held at a session's start
    double heldAverage = 0; // facts held at the start of sessions 1..30
    int heldAfterBreak = 0; // fourteen days after session 30
    int heldAfterGrid = -1; // at the session after the grid first shows all imparato
    int imparatoCells = 0; // over sessions 1..30
    int imparatoHeldAWeekOn = 0;
    int demotions = 0; // of a fact by a right answer in time
    std::array<QList<Attempt>, 10> history; // every answer, by fact
    qint64 splitAt = 0; // the start of session 15
};

Run learn(LearnerKind kind, Schedule schedule, quint64 seed)
{
    const std::unique_ptr<Learner> learner = makeLearner(kind, Table, seed);
    std::mt19937_64 draws(mix(seed ^ 0xd1ce));
    const auto draw
        = [&draws](int n) { return std::uniform_int_distribution<int>(0, n - 1)(draws); };
    const QDate firstDay(2026, 9, 14); // a Monday
    std::array<QList<Attempt>, 10> attempts;
    QList<int> round;
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
        int learned = 0;
        for (int m = 1; m <= 10; ++m) {
            if (grid.at(Table - 1).at(m - 1).state != FactState::Learned)
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
        if (schedule == Schedule::Ripasso)
            plan.emplace(grid, QList<int> { Table }, draw, start);
        const int count = schedule == Schedule::Draws42 ? 42 : 20;
        int last = 0;
        for (int q = 0; q < count; ++q) {
            int m = 0;
            switch (schedule) {
            case Schedule::Ripasso:
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
            const qint64 at = start + qint64(q) * QuestionSeconds;
            const SimulatedChild::Reply reply = learner->answer(m);
            const Attempt attempt { at, reply.outcome, reply.tenths };
            QList<Attempt> &fact = attempts[m - 1];
            if (inTime(attempt, DefaultFactSeconds)) {
                const FactState before = summarize(fact, DefaultFactSeconds, at).state;
                fact.append(attempt);
                if (rank(summarize(fact, DefaultFactSeconds, at).state) < rank(before))
                    ++run.demotions;
            } else {
                fact.append(attempt);
            }
            if (plan)
                plan->answered({ Table, m }, reply.outcome == Outcome::Right);
            ++questions;
            last = m;
            learner->wait(QuestionSeconds);
        }
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

struct Summary
{
    double untilHeld = 0; // median
    int capped = 0;
    double heldAverage = 0;
    double heldAfterBreak = 0;
    double heldAfterGrid = -1; // median over the children whose grid got there
    int gridGotThere = 0;
    double imparatoTruth = -1; // share
    int demotions = 0;
};

Summary summarizeRuns(const QList<Run> &runs)
{
    Summary s;
    QList<double> until, afterGrid;
    int cells = 0, cellsHeld = 0;
    for (const Run &run : runs) {
        until << run.untilHeld;
        s.heldAverage += run.heldAverage / double(runs.size());
        s.heldAfterBreak += double(run.heldAfterBreak) / double(runs.size());
        if (run.heldAfterGrid >= 0)
            afterGrid << run.heldAfterGrid;
        cells += run.imparatoCells;
        cellsHeld += run.imparatoHeldAWeekOn;
        s.demotions += run.demotions;
    }
    s.untilHeld = median(until);
    s.gridGotThere = int(afterGrid.size());
    s.heldAfterGrid = afterGrid.isEmpty() ? -1 : median(afterGrid);
    s.imparatoTruth = cells ? double(cellsHeld) / cells : -1;
    return s;
}

bool compareSchedules()
{
    bool allMet = true;
    QList<double> ratiosToDraws, heldAfterGrid;
    for (const LearnerKind kind : LearnerKinds) {
        std::printf(
            "\nLearner: %s (%d children, the 7 times table)\n", learnerName(kind), Children);
        std::printf("  %-20s %13s %13s %13s %15s %13s %9s\n", "", "until held", "held, 1-30",
            "held, +14 d", "after all ★", "★ held +7 d", "demoted");
        std::array<Summary, std::size(Schedules)> results;
        for (std::size_t s = 0; s < std::size(Schedules); ++s) {
            QList<Run> runs;
            for (int child = 0; child < Children; ++child)
                runs << learn(kind, Schedules[s], mix(quint64(child) + 1000 * quint64(kind)));
            results[s] = summarizeRuns(runs);
            const Summary &r = results[s];
            std::printf("  %-20s %9.0f q   %9.2f/10  %9.2f/10  %8s %3d/%-2d %11s %9d\n",
                scheduleName(Schedules[s]), r.untilHeld, r.heldAverage, r.heldAfterBreak,
                r.heldAfterGrid < 0 ? "-" : qPrintable(QString::number(r.heldAfterGrid, 'f', 1)),
                r.gridGotThere, Children,
                r.imparatoTruth < 0
                    ? "-"
                    : qPrintable(QString::number(100 * r.imparatoTruth, 'f', 0) + u'%'),
                r.demotions);
        }
        const Summary &ripasso = results[0];
        const Summary &draws = results[1];
        const Summary &oracle = results[4];
        const double toOracle = ripasso.untilHeld / std::max(1.0, oracle.untilHeld);
        const double toDraws = ripasso.untilHeld / std::max(1.0, draws.untilHeld);
        ratiosToDraws << toDraws;
        if (ripasso.heldAfterGrid >= 0)
            heldAfterGrid << ripasso.heldAfterGrid;
        const bool oracleMet = toOracle <= 1.5;
        const bool dailyMet = ripasso.heldAverage > draws.heldAverage;
        const bool gridMet = ripasso.heldAfterGrid >= 8;
        const bool cellsMet = ripasso.imparatoTruth >= 0.9;
        const bool demotionsMet = ripasso.demotions == 0;
        std::printf("  ripasso / oracle, questions until held      %5.2f x  goal <= 1.5 x   %s\n",
            toOracle, verdict(oracleMet));
        std::printf("  ripasso / draws of 20                       %5.2f x  (goal: the median over "
                    "the learners, at the end)\n",
            toDraws);
        std::printf(
            "  ripasso's daily facts held above the draws of 20's   %s\n", verdict(dailyMet));
        if (ripasso.heldAfterGrid < 0)
            std::printf("  after the grid's all-imparato, facts held   never: no child's grid got "
                        "there in %d sessions\n",
                MostSessions);
        else
            std::printf(
                "  after the grid's all-imparato, facts held   %5.1f    goal >= 8 here   %s\n",
                ripasso.heldAfterGrid, verdict(gridMet));
        std::printf(
            "  imparato cells held a week later            %5.0f %%  goal >= 90 %%     %s\n",
            100 * ripasso.imparatoTruth, verdict(cellsMet));
        std::printf("  demotions by a right answer in time         %5d    goal 0           %s\n",
            ripasso.demotions, verdict(demotionsMet));
        allMet = allMet && oracleMet && dailyMet && gridMet && cellsMet && demotionsMet;
    }
    const double toDraws = median(ratiosToDraws);
    const double grid = heldAfterGrid.isEmpty() ? 0 : median(heldAfterGrid);
    std::printf(
        "\nOver the learners: ripasso / draws of 20 (median)   %5.2f x  goal <= 0.6 x  %s\n",
        toDraws, verdict(toDraws <= 0.6));
    std::printf("Over the learners: facts held after all-imparato (median) %4.1f  goal >= 9  %s\n",
        grid, verdict(grid >= 9));
    return allMet && toDraws <= 0.6 && grid >= 9;
}

// The model's predictions scored against the learners' later answers: fitted
// on each child's first 15 sessions, scored on the rest (each day's first
// answer of a fact), beside the defaults and a constant recall (the share
// right in the first sessions).
void scorePredictions()
{
    std::printf("\nPredicted recall against the later answers (the draws of 20, each day's "
                "first answer of a fact):\n");
    std::printf("  %-16s %11s %11s %11s   %s\n", "", "fitted", "defaults", "constant",
        "calibration error (fitted / defaults), in 10 bins");
    for (const LearnerKind kind : LearnerKinds) {
        QList<Prediction> fitted, defaults, constant;
        for (int child = 0; child < Children; ++child) {
            const Run run
                = learn(kind, Schedule::Draws20, mix(quint64(child) + 1000 * quint64(kind)));
            QList<QList<Attempt>> before;
            int right = 0, all = 0;
            for (const QList<Attempt> &fact : run.history) {
                QList<Attempt> early;
                for (const Attempt &a : fact) {
                    if (a.wallSeconds >= run.splitAt)
                        break;
                    early << a;
                    ++all;
                    right += a.outcome == Outcome::Right ? 1 : 0;
                }
                before << early;
            }
            const double share = all ? double(right) / all : 0.5;
            const MemoryParameters parameters = fitParameters(before, DefaultFactSeconds);
            for (const QList<Attempt> &fact : run.history) {
                FactMemory withFit(parameters);
                FactMemory withDefaults;
                for (const Attempt &a : fact) {
                    const bool newDay = withFit.asked()
                        && LocalClock::wallDay(a.wallSeconds)
                            != LocalClock::wallDay(withFit.lastSeconds());
                    if (newDay && a.wallSeconds >= run.splitAt) {
                        const bool ok = a.outcome == Outcome::Right;
                        fitted << Prediction { withFit.recallAt(a.wallSeconds), ok };
                        defaults << Prediction { withDefaults.recallAt(a.wallSeconds), ok };
                        constant << Prediction { share, ok };
                    }
                    withFit.add(a, DefaultFactSeconds);
                    withDefaults.add(a, DefaultFactSeconds);
                }
            }
        }
        const auto calibration = [](const QList<Prediction> &predictions) {
            std::array<double, 10> predicted {}, observed {};
            std::array<int, 10> count {};
            for (const Prediction &p : predictions) {
                const int bin = std::min(9, int(p.recall * 10));
                predicted[bin] += p.recall;
                observed[bin] += p.right ? 1 : 0;
                ++count[bin];
            }
            double error = 0;
            for (int bin = 0; bin < 10; ++bin) {
                if (count[bin])
                    error += std::abs(predicted[bin] - observed[bin]);
            }
            return predictions.isEmpty() ? 0.0 : error / double(predictions.size());
        };
        std::printf("  %-16s %11.3f %11.3f %11.3f   %.3f / %.3f  (%lld answers; log loss)\n",
            learnerName(kind), logLoss(fitted), logLoss(defaults), logLoss(constant),
            calibration(fitted), calibration(defaults), static_cast<long long>(fitted.size()));
    }
}

double msSince(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

// A child of 100,000 answers over all the tables: the grid, and the
// ripasso's first choice.
void speed()
{
    constexpr int Answers = 100000;
    std::mt19937_64 random(20260914);
    std::uniform_int_distribution<int> factor(1, 10);
    std::uniform_int_distribution<int> roll(0, 99);
    std::lognormal_distribution<double> seconds(std::log(4.0), 0.5);
    const qint64 first = LocalClock::wallSeconds(QDateTime(QDate(2022, 9, 12), QTime(9, 0)));
    QList<std::pair<int, Attempt>> history;
    for (int i = 0; i < Answers; ++i) {
        const int session = i / 20;
        const qint64 at = first + qint64(session / 3) * qint64(Day) + (session % 3) * 3 * 3600
            + (i % 20) * QuestionSeconds;
        const int r = roll(random);
        const Outcome outcome = r < 80 ? Outcome::Right
            : r < 92                   ? Outcome::Wrong
                                       : Outcome::Skipped;
        const int tenths = outcome == Outcome::Skipped
            ? 0
            : std::clamp(int(std::lround(seconds(random) * 10)), 5, 600);
        history.append({ (factor(random) - 1) * 10 + factor(random) - 1, { at, outcome, tenths } });
    }
    const qint64 now = history.last().second.wallSeconds + qint64(Day);
    QList<double> gridMs, nextMs;
    for (int repeat = 0; repeat < 5; ++repeat) {
        QElapsedTimer clock;
        clock.start();
        GridBuilder builder(DefaultFactSeconds, now);
        for (const auto &[fact, attempt] : history)
            builder.add(fact / 10 + 1, fact % 10 + 1, attempt);
        const FactGrid grid = builder.finish();
        gridMs << msSince(clock);
        clock.start();
        PracticePlan plan(
            grid, { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 }, [](int) { return 0; }, now);
        plan.next();
        plan.answered(plan.next(), false);
        nextMs << msSince(clock) / 2;
    }
    const auto worst = [](const QList<double> &v) { return *std::max_element(v.begin(), v.end()); };
    std::printf("\n%-48s %7.1f ms  goal <= 300 ms  %s\n",
        "a child's grid, 100,000 answers (worst of 5)", worst(gridMs),
        verdict(worst(gridMs) <= 300));
    std::printf("%-48s %7.3f ms  goal <= 5 ms    %s\n", "choosing the next fact (worst of 5)",
        worst(nextMs), verdict(worst(nextMs) <= 5));
}

} // namespace

// One child of the activation kind, the ripasso's 30 sessions, written as
// Giulia's notebook: what a parent would find after six weeks.
int writeNotebook(const QString &path)
{
    const Run run = learn(LearnerKind::Activation, Schedule::Ripasso, mix(3));
    QList<Answer> answers;
    for (int m = 1; m <= 10; ++m) {
        for (const Attempt &attempt : run.history.at(m - 1)) {
            Answer answer;
            answer.at = LocalClock::fromWallSeconds(attempt.wallSeconds);
            answer.child = QStringLiteral("Giulia");
            answer.table = Table;
            answer.multiplier = m;
            answer.outcome = attempt.outcome;
            answer.typed = attempt.outcome == Outcome::Right ? QString::number(Table * m)
                : attempt.outcome == Outcome::Wrong          ? QString::number(Table * m + 1)
                                                             : QString();
            answer.tenths = attempt.tenths;
            answer.mode = Mode::Practice;
            answers << answer;
        }
    }
    std::sort(answers.begin(), answers.end(),
        [](const Answer &a, const Answer &b) { return a.at < b.at; });
    // The last session yesterday.
    const qint64 days = answers.last().at.date().daysTo(QDate::currentDate().addDays(-1));
    for (Answer &answer : answers)
        answer.at = answer.at.addDays(days);
    Notebook notebook(path);
    if (!notebook.add(answers)) {
        std::printf("no notebook: %s\n", qUtf8Printable(notebook.problem().toDebugString()));
        return 1;
    }
    std::printf("%lld answers written to %s\n", static_cast<long long>(answers.size()),
        qUtf8Printable(path));
    return 0;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--quaderno") == 0)
        return writeNotebook(QString::fromLocal8Bit(argv[2]));
    // Read the time zone once, not at each of the many local times made.
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
    QElapsedTimer clock;
    clock.start();
    compareSchedules();
    scorePredictions();
    speed();
    std::printf("(bench-learning ran %.1f s)\n", double(clock.elapsed()) / 1000);
    return 0;
}
