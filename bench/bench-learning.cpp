// How well each way of choosing the questions teaches a times table, judged by
// what the simulated learners truly remember (see learners.h and
// learningrun.h), never by the grid's own label; how well the memory model,
// fitted to each child, predicts the child's later answers; and how soon the
// ripasso chooses its next fact and the grid is made for a child with
// 100,000 answers.
//
// The same children (seeds) meet every way of choosing. The model's
// constants were chosen on other children: `--tune` runs the same on those.
//
//   bench-learning
//   bench-learning --tune            the children the constants were chosen on
//   bench-learning --quaderno PATH   a notebook of one child's ripassi, to look at
#include "learningrun.h"
#include "measure.h"

#include "learning/factstate.h"
#include "learning/localclock.h"
#include "learning/memoryfit.h"
#include "learning/practiceplan.h"
#include "notebook/notebook.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <array>
#include <cstdio>
#include <future>
#include <random>

using namespace Zentovia;
using namespace Zentovia::Bench;

namespace {

constexpr int Children = 30;
quint64 seedBase = 0; // the tuning children with --tune

quint64 childSeed(LearnerKind kind, int child)
{
    return mix(quint64(child) + 1000 * quint64(kind) + seedBase);
}

const char *verdict(bool met)
{
    return met ? "ok" : "MISSED";
}

struct Summary
{
    double untilHeld = 0; // median
    double heldAverage = 0;
    double heldAfterBreak = 0;
    double heldAfterGrid = -1; // median over the children whose grid got there
    int gridGotThere = 0;
    double imparatoTruth = -1; // share
    int demotions = 0;
    int refitDemotions = 0;
    int openings = 0;
    int openedWithMisses = 0;
    double fitsKept = 0; // share of the sessions
};

Summary summarizeRuns(const QList<Run> &runs)
{
    Summary s;
    QList<double> until, afterGrid;
    int cells = 0, cellsHeld = 0, sessions = 0, kept = 0;
    for (const Run &run : runs) {
        until << run.untilHeld;
        s.heldAverage += run.heldAverage / double(runs.size());
        s.heldAfterBreak += double(run.heldAfterBreak) / double(runs.size());
        if (run.heldAfterGrid >= 0)
            afterGrid << run.heldAfterGrid;
        cells += run.imparatoCells;
        cellsHeld += run.imparatoHeldAWeekOn;
        s.demotions += run.demotions;
        s.refitDemotions += run.refitDemotions;
        s.openings += run.openings;
        s.openedWithMisses += run.openedWithMisses;
        kept += run.fitsKept;
        sessions += run.untilHeld / 20 + 1;
    }
    s.untilHeld = median(until);
    s.gridGotThere = int(afterGrid.size());
    s.heldAfterGrid = afterGrid.isEmpty() ? -1 : median(afterGrid);
    s.imparatoTruth = cells ? double(cellsHeld) / cells : -1;
    s.fitsKept = sessions ? double(kept) / sessions : 0;
    return s;
}

// Every child of a learner under one way, on the two cores.
QList<Run> runAll(LearnerKind kind, Schedule schedule)
{
    std::array<std::future<QList<Run>>, 2> halves;
    for (int half = 0; half < 2; ++half)
        halves[half] = std::async(std::launch::async, [=] {
            QList<Run> runs;
            for (int child = half; child < Children; child += 2)
                runs << learn(kind, schedule, childSeed(kind, child));
            return runs;
        });
    return halves[0].get() + halves[1].get();
}

QString percent(double share)
{
    return share < 0 ? u"-"_qs : QString::number(100 * share, 'f', 0) + u'%';
}

bool compareSchedules()
{
    bool allMet = true;
    QList<double> ratiosToDraws;
    for (const LearnerKind kind : LearnerKinds) {
        std::printf(
            "\nLearner: %s (%d children, the 7 times table)\n", learnerName(kind), Children);
        std::printf("  %-20s %10s %11s %11s %16s %9s %8s\n", "", "until held", "held, 1-30",
            "held, +14 d", "all imparato:", "imp. held", "demoted");
        std::printf("  %-20s %10s %11s %11s %16s %9s %8s\n", "", "(median)", "(mean)", "(mean)",
            "grids / held", "+7 d", "");
        std::array<Summary, std::size(Schedules)> results;
        for (std::size_t s = 0; s < std::size(Schedules); ++s) {
            results[s] = summarizeRuns(runAll(kind, Schedules[s]));
            const Summary &r = results[s];
            std::printf("  %-20s %8.0f q %8.2f/10 %8.2f/10 %8d/%-2d %5s %9s %8d\n",
                scheduleName(Schedules[s]), r.untilHeld, r.heldAverage, r.heldAfterBreak,
                r.gridGotThere, Children,
                r.heldAfterGrid < 0 ? "-" : qPrintable(QString::number(r.heldAfterGrid, 'f', 1)),
                qPrintable(percent(r.imparatoTruth)), r.demotions + r.refitDemotions);
        }
        const auto at = [&](Schedule schedule) -> const Summary & {
            return results[std::find(std::begin(Schedules), std::end(Schedules), schedule)
                - std::begin(Schedules)];
        };
        const Summary &ripasso = at(Schedule::Ripasso);
        const double toOracle = ripasso.untilHeld / std::max(1.0, at(Schedule::Oracle).untilHeld);
        const double toDraws = ripasso.untilHeld / std::max(1.0, at(Schedule::Draws20).untilHeld);
        ratiosToDraws << toDraws;
        const bool oracleMet = toOracle <= 1.2;
        const bool cellsMet = ripasso.imparatoTruth < 0 || ripasso.imparatoTruth >= 0.9;
        const bool demotionsMet = ripasso.demotions == 0 && ripasso.refitDemotions == 0;
        const bool openingMet = ripasso.openedWithMisses == ripasso.openings;
        std::printf("  ripasso / oracle, questions until held      %5.2f x  goal <= 1.2 x   %s\n",
            toOracle, verdict(oracleMet));
        std::printf("  ripasso / draws of 20                       %5.2f x  (goal: the median over "
                    "the learners, at the end)\n",
            toDraws);
        std::printf("  imparato cells held a week later            %5s    goal >= 90 %%     %s\n",
            qPrintable(percent(ripasso.imparatoTruth)), verdict(cellsMet));
        std::printf("  demotions by a right answer in time         %5d    goal 0           %s\n",
            ripasso.demotions, verdict(ripasso.demotions == 0));
        std::printf("  demotions by the day's refit                %5d    goal 0           %s\n",
            ripasso.refitDemotions, verdict(ripasso.refitDemotions == 0));
        std::printf("  ripassi opened with the last session's misses %3d/%-3d goal all     %s\n",
            ripasso.openedWithMisses, ripasso.openings, verdict(openingMet));
        std::printf("  sessions whose grid took the child's own fit %4s\n",
            qPrintable(percent(ripasso.fitsKept)));
        allMet = allMet && oracleMet && cellsMet && demotionsMet && openingMet;
    }
    const double toDraws = median(ratiosToDraws);
    std::printf(
        "\nOver the learners: ripasso / draws of 20 (median)   %5.2f x  goal <= 0.5 x  %s\n",
        toDraws, verdict(toDraws <= 0.5));
    return allMet && toDraws <= 0.5;
}

// The model's predictions scored against the learners' later answers: fitted
// on each child's first 15 sessions, scored on the rest (each day's first
// answer of a fact, weighted by its days ahead up to a week, as the fit
// judges itself), beside the defaults and a constant recall (the share right
// in the first sessions). "Fitted" is what the grid takes: the fit where it
// beat the defaults on the child's own later answers of those 15 sessions,
// the defaults elsewhere; "fit always" takes every fit.
void scorePredictions()
{
    std::printf("\nPredicted recall against the later answers (the draws of 20; log loss, "
                "weighted towards a week ahead):\n");
    std::printf("  %-22s %9s %10s %9s %9s   %s\n", "", "fitted", "fit always", "defaults",
        "constant", "fits kept, decay (mean)");
    for (const LearnerKind kind : LearnerKinds) {
        QList<Prediction> fitted, always, defaults, constant;
        int kept = 0;
        double decay = 0;
        for (int child = 0; child < Children; ++child) {
            const Run run = learn(kind, Schedule::Draws20, childSeed(kind, child));
            QList<QList<Attempt>> before, all;
            int right = 0, count = 0;
            for (const QList<Attempt> &fact : run.history) {
                QList<Attempt> early;
                for (const Attempt &a : fact) {
                    if (a.wallSeconds >= run.splitAt)
                        break;
                    early << a;
                    ++count;
                    right += a.outcome == Outcome::Right ? 1 : 0;
                }
                before << early;
                all << fact;
            }
            const double share = count ? double(right) / count : 0.5;
            const MemoryFit fit = fitMemory(before, DefaultFactSeconds);
            kept += fit.kept ? 1 : 0;
            decay += fit.candidate.decay / Children;
            fitted << predictions(all, DefaultFactSeconds, fit.parameters, run.splitAt);
            always << predictions(all, DefaultFactSeconds, fit.candidate, run.splitAt);
            const QList<Prediction> byDefaults = predictions(
                all, DefaultFactSeconds, MemoryParameters::forChildren(), run.splitAt);
            defaults << byDefaults;
            for (Prediction p : byDefaults) {
                p.recall = share;
                constant << p;
            }
        }
        std::printf("  %-22s %9.3f %10.3f %9.3f %9.3f   %2d/%d, %.2f  (%lld answers)\n",
            learnerName(kind), logLoss(fitted), logLoss(always), logLoss(defaults),
            logLoss(constant), kept, Children, decay, static_cast<long long>(fitted.size()));
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
    QList<double> gridMs, nextMs, gridFloorMs, nextFloorMs;
    for (int repeat = 0; repeat < 5; ++repeat) {
        QElapsedTimer clock;
        // The floors: the answers sorted by fact and time, what any grid
        // does; each fact's recall read once, what any choice does.
        clock.start();
        std::array<QList<Attempt>, 100> byFact;
        for (const auto &[fact, attempt] : history)
            byFact[fact].append(attempt);
        for (QList<Attempt> &attempts : byFact)
            std::stable_sort(attempts.begin(), attempts.end(),
                [](const Attempt &a, const Attempt &b) { return a.wallSeconds < b.wallSeconds; });
        gridFloorMs << msSince(clock);
        clock.start();
        GridBuilder builder(DefaultFactSeconds, now);
        for (const auto &[fact, attempt] : history)
            builder.add(fact / 10 + 1, fact % 10 + 1, attempt);
        const FactGrid grid = builder.finish();
        gridMs << msSince(clock);
        clock.start();
        double lowest = 2;
        for (const auto &row : grid)
            for (const FactSummary &fact : row)
                lowest = std::min(lowest, fact.memory.recallAt(now));
        nextFloorMs << msSince(clock) + (lowest > 2 ? 1 : 0);
        clock.start();
        PracticePlan plan(
            grid, { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 }, [](int) { return 0; }, now);
        plan.next();
        plan.answered(plan.next(), false);
        nextMs << msSince(clock) / 2;
    }
    const auto worst = [](const QList<double> &v) { return *std::max_element(v.begin(), v.end()); };
    std::printf("\n%-48s %7.1f ms  floor %6.1f ms  goal <= 300 ms  %s\n",
        "a child's grid, 100,000 answers, fit included (worst of 5)", worst(gridMs),
        worst(gridFloorMs), verdict(worst(gridMs) <= 300));
    std::printf("%-48s %7.3f ms  floor %6.3f ms  goal <= 5 ms    %s\n",
        "choosing the next fact (worst of 5)", worst(nextMs), worst(nextFloorMs),
        verdict(worst(nextMs) <= 5));
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
        std::printf("no notebook: %s\n", qUtf8Printable(notebook.problem()));
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
    if (argc == 2 && qstrcmp(argv[1], "--tune") == 0)
        seedBase = 500;
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
