// The ripasso against the contest's draws on the same simulated children
// (see simulatedchild.h): how many questions each way takes until the whole
// table is "imparato" by the notebook's rule, one session of 20 questions a
// day; and how soon the ripasso chooses its next fact for a child with
// 100,000 answers.
//
//   bench-ripasso
#include "measure.h"
#include "simulatedchild.h"

#include "learning/factstate.h"
#include "learning/localclock.h"
#include "learning/practiceplan.h"
#include "notebook/notebook.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <optional>
#include <random>

#include <time.h>

using namespace Qt::StringLiterals;
using namespace Zentovia;
using namespace Zentovia::Bench;

namespace {

constexpr int Table = 7;
constexpr int Classes = 5; // independent cohorts, each with its own seed
constexpr int ChildrenInAClass = 40;
constexpr int SessionQuestions = 20;
constexpr int QuestionSeconds = 10;
constexpr int MostQuestions = 2000;
constexpr double GoalRatio = 0.6;
constexpr double Day = 86400;

enum class Schedule { Ripasso, Draws };

struct Run
{
    int questions = 0; // until the whole table was imparato, or MostQuestions
    bool capped = false;
    int onLearned = 0; // questions on a fact imparato when asked
    // Over the sessions that start with some facts imparato and some not:
    // the questions on the latter, and how many of them there were.
    int onUnlearned = 0;
    int unlearnedFacts = 0;
    int rightFirstSession = 0;
};

quint64 mix(quint64 x)
{
    // splitmix64: well-spread seeds from small numbers.
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

// One child learning the table one way, from its first session on.
Run learn(Schedule schedule, quint64 childSeed)
{
    SimulatedChild child(Table, childSeed);
    std::mt19937_64 draws(mix(childSeed ^ 0xd1ce));
    const auto draw
        = [&draws](int n) { return std::uniform_int_distribution<int>(0, n - 1)(draws); };
    // The sessions start at five in the afternoon.
    const qint64 firstSession
        = LocalClock::wallSeconds(QDateTime(QDate(2026, 9, 14), QTime(17, 0)));

    std::array<QList<Attempt>, 10> attempts;
    std::array<bool, 10> learned {};
    Run run;
    for (int day = 0; run.questions < MostQuestions; ++day) {
        qint64 wall = firstSession + qint64(day) * qint64(Day);
        std::optional<PracticePlan> plan;
        if (schedule == Schedule::Ripasso) {
            FactGrid grid;
            for (int m = 0; m < 10; ++m)
                grid.at(Table - 1).at(m) = summarize(attempts.at(m), DefaultFactSeconds);
            plan.emplace(grid, QList<int> { Table }, draw);
        }
        const std::array<bool, 10> learnedAtStart = learned;
        const int unlearnedAtStart = int(std::count(learned.begin(), learned.end(), false));
        int onUnlearned = 0;
        for (int question = 0; question < SessionQuestions; ++question) {
            const int multiplier = plan ? plan->next().multiplier : 1 + draw(10);
            const SimulatedChild::Reply reply = child.answer(multiplier);
            if (plan)
                plan->answered({ Table, multiplier }, reply.outcome == Outcome::Right);
            if (day == 0 && reply.outcome == Outcome::Right)
                ++run.rightFirstSession;
            QList<Attempt> &fact = attempts[multiplier - 1];
            run.onLearned += learned.at(multiplier - 1) ? 1 : 0;
            onUnlearned += learnedAtStart.at(multiplier - 1) ? 0 : 1;
            fact.append({ wall, reply.outcome, reply.tenths });
            learned[multiplier - 1]
                = summarize(fact, DefaultFactSeconds).state == FactState::Learned;
            ++run.questions;
            if (std::all_of(learned.begin(), learned.end(), [](bool b) { return b; }))
                return run;
            child.wait(QuestionSeconds);
            wall += QuestionSeconds;
        }
        if (unlearnedAtStart < 10) {
            run.onUnlearned += onUnlearned;
            run.unlearnedFacts += unlearnedAtStart;
        }
        child.sleep(Day - SessionQuestions * QuestionSeconds);
    }
    run.capped = true;
    return run;
}

double percentile(QList<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(qsizetype(std::lround(p * double(values.size() - 1))));
}

double mean(const QList<double> &values)
{
    return values.isEmpty()
        ? 0
        : std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
}

const char *verdict(bool met)
{
    return met ? "ok" : "MISSED";
}

void compareSchedules()
{
    QElapsedTimer clock;
    clock.start();
    QList<double> ripasso, draws, ratios, classRatios;
    int ripassoCapped = 0, drawsCapped = 0, ripassoOnLearned = 0, drawsOnLearned = 0;
    std::array<int, 2> onUnlearned {}, unlearnedFacts {};
    int rightFirstSession = 0;
    for (int cohort = 1; cohort <= Classes; ++cohort) {
        QList<double> classRipasso, classDraws;
        for (int c = 0; c < ChildrenInAClass; ++c) {
            const quint64 seed = mix(quint64(cohort) * 1000 + quint64(c));
            const Run a = learn(Schedule::Ripasso, seed);
            const Run b = learn(Schedule::Draws, seed);
            classRipasso << a.questions;
            classDraws << b.questions;
            ratios << double(a.questions) / b.questions;
            ripassoCapped += a.capped ? 1 : 0;
            drawsCapped += b.capped ? 1 : 0;
            ripassoOnLearned += a.onLearned;
            drawsOnLearned += b.onLearned;
            onUnlearned[0] += a.onUnlearned;
            onUnlearned[1] += b.onUnlearned;
            unlearnedFacts[0] += a.unlearnedFacts;
            unlearnedFacts[1] += b.unlearnedFacts;
            rightFirstSession += b.rightFirstSession;
        }
        classRatios << median(classRipasso) / median(classDraws);
        ripasso << classRipasso;
        draws << classDraws;
    }
    const int children = Classes * ChildrenInAClass;
    std::printf("The table of the %d, %d classes of %d simulated children (each its own seed), one "
                "session of %d questions a day\n",
        Table, Classes, ChildrenInAClass, SessionQuestions);
    std::printf("  right in the first session (contest's draws)    %5.1f %%\n",
        100.0 * rightFirstSession / (children * SessionQuestions));
    std::printf("Questions until the whole table is imparato (at most %d):\n", MostQuestions);
    std::printf("  %-24s median %6.0f  mean %6.1f  capped %d of %d\n", "ripasso", median(ripasso),
        mean(ripasso), ripassoCapped, children);
    std::printf("  %-24s median %6.0f  mean %6.1f  capped %d of %d\n", "contest's draws",
        median(draws), mean(draws), drawsCapped, children);
    std::printf("  of them on facts already imparato: ripasso %.1f %%, draws %.1f %%\n",
        100.0 * ripassoOnLearned / std::accumulate(ripasso.begin(), ripasso.end(), 0.0),
        100.0 * drawsOnLearned / std::accumulate(draws.begin(), draws.end(), 0.0));
    std::printf(
        "  a session's questions on each fact not yet imparato, once some are: ripasso %.2f, "
        "draws %.2f\n",
        double(onUnlearned[0]) / unlearnedFacts[0], double(onUnlearned[1]) / unlearnedFacts[1]);
    const double ratio = median(ripasso) / median(draws);
    std::printf("%-48s %5.2f     goal <= %.1f     %s\n", "ratio ripasso / draws (of the medians)",
        ratio, GoalRatio, verdict(ratio <= GoalRatio));
    std::printf("  each child's own ratio: median %.2f, 10th-90th percentile %.2f-%.2f\n",
        median(ratios), percentile(ratios, 0.1), percentile(ratios, 0.9));
    std::printf("  each class's ratio of medians: %.2f-%.2f over %d classes\n",
        *std::min_element(classRatios.begin(), classRatios.end()),
        *std::max_element(classRatios.begin(), classRatios.end()), Classes);
    std::printf("  (simulated in %.1f s)\n", double(clock.elapsed()) / 1000);
}

// ---------------------------------------------------------------------------
// How soon the next fact is chosen for a child with many answers.

constexpr int HistoryAnswers = 100000;
constexpr int Repeats = 20;

struct Question
{
    qint64 wallSeconds;
    int table;
    int multiplier;
    Outcome outcome;
    int tenths;
};

// A child's years of play: sessions of 20 questions of every table, three a
// day, right most of the time.
QList<Question> history()
{
    std::mt19937_64 random(20260914);
    std::uniform_int_distribution<int> factor(1, 10);
    std::uniform_int_distribution<int> roll(0, 99);
    std::lognormal_distribution<double> seconds(std::log(4.0), 0.5);
    const qint64 start = LocalClock::wallSeconds(QDateTime(QDate(2022, 9, 12), QTime(9, 0)));
    QList<Question> questions;
    questions.reserve(HistoryAnswers);
    for (int i = 0; i < HistoryAnswers; ++i) {
        const int session = i / SessionQuestions;
        const qint64 at = start + qint64(session / 3) * qint64(Day) + (session % 3) * 3 * 3600
            + (i % SessionQuestions) * QuestionSeconds;
        const int r = roll(random);
        const Outcome outcome = r < 80 ? Outcome::Right
            : r < 92                   ? Outcome::Wrong
                                       : Outcome::Skipped;
        const int tenths = outcome == Outcome::Skipped
            ? 0
            : std::clamp(int(std::lround(seconds(random) * 10)), 5, 600);
        questions.append({ at, factor(random), factor(random), outcome, tenths });
    }
    return questions;
}

double msSince(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

// This thread's own time on a core, in ms: the wall time less what the
// machine's other work takes from it.
double threadMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

bool chooseNext()
{
    const QList<Question> questions = history();
    // Each fact's answers, oldest first, as the notebook hands them over.
    std::array<QList<Attempt>, 100> byFact;
    for (const Question &q : questions)
        byFact[(q.table - 1) * 10 + q.multiplier - 1].append(
            { q.wallSeconds, q.outcome, q.tenths });
    const QList<int> allTables { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 };
    std::mt19937_64 random(7);
    const auto draw
        = [&random](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };

    QList<double> gridMs, planMs, nextMs, allMs, allThreadMs;
    for (int run = 0; run < Repeats; ++run) {
        const double threadStart = threadMs();
        QElapsedTimer clock;
        clock.start();
        FactGrid grid;
        for (int f = 0; f < 100; ++f)
            grid.at(f / 10).at(f % 10) = summarize(byFact.at(f), DefaultFactSeconds);
        const double afterGrid = msSince(clock);
        PracticePlan plan(grid, allTables, draw);
        const double afterPlan = msSince(clock);
        plan.next();
        const double afterNext = msSince(clock);
        allThreadMs << threadMs() - threadStart;
        gridMs << afterGrid;
        planMs << afterPlan - afterGrid;
        nextMs << afterNext - afterPlan;
        allMs << afterNext;
    }
    const auto worst = [](const QList<double> &v) { return *std::max_element(v.begin(), v.end()); };
    std::printf("Choosing the next fact for a child with %d answers, all ten tables chosen "
                "(median / worst of %d):\n",
        HistoryAnswers, Repeats);
    std::printf("  %-46s %7.3f / %7.3f ms\n", "(a) the FactGrid: summarize() of 100 facts",
        median(gridMs), worst(gridMs));
    std::printf(
        "  %-46s %7.3f / %7.3f ms\n", "(b) the PracticePlan built", median(planMs), worst(planMs));
    std::printf(
        "  %-46s %7.3f / %7.3f ms\n", "(c) its first next()", median(nextMs), worst(nextMs));
    std::printf("%-48s %7.3f / %7.3f ms  goal <= 5 ms  %s\n", "(a) + (b) + (c)", median(allMs),
        worst(allMs), verdict(worst(allMs) <= 5));
    std::printf("%-48s %7.3f / %7.3f ms  goal <= 5 ms  %s\n",
        "(a) + (b) + (c), the thread's own time", median(allThreadMs), worst(allThreadMs),
        verdict(worst(allThreadMs) <= 5));

    // The same answers read from a notebook file, as the program reads them.
    QTemporaryDir dir;
    Notebook notebook(dir.filePath(u"quaderno.sqlite"_s));
    QList<Answer> answers;
    answers.reserve(questions.size());
    for (const Question &q : questions) {
        Answer answer;
        answer.at = LocalClock::fromWallSeconds(q.wallSeconds);
        answer.child = u"Giulia"_s;
        answer.table = q.table;
        answer.multiplier = q.multiplier;
        answer.typed = q.outcome == Outcome::Right ? QString::number(q.table * q.multiplier)
            : q.outcome == Outcome::Wrong          ? QString::number(q.table * q.multiplier + 1)
                                                   : QString();
        answer.outcome = q.outcome;
        answer.tenths = q.tenths;
        answer.mode = Mode::Practice;
        answers.append(answer);
    }
    if (!notebook.add(answers)) {
        std::printf("  no notebook: %s\n", qUtf8Printable(notebook.problem()));
        return false;
    }
    QList<double> fileMs;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer clock;
        clock.start();
        const std::optional<FactGrid> grid = notebook.grid(u"Giulia"_s);
        fileMs << msSince(clock);
        if (!grid || grid->at(Table - 1).at(7).asked == 0) {
            std::printf("  no grid: %s\n", qUtf8Printable(notebook.problem()));
            return false;
        }
    }
    std::printf("  %-46s %7.3f / %7.3f ms  (not in the above)\n",
        "the grid read by Notebook::grid() (of 5)", median(fileMs), worst(fileMs));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Read the time zone once, not at each of the many local times made.
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
    QElapsedTimer clock;
    clock.start();
    compareSchedules();
    const bool measured = chooseNext();
    std::printf("(bench-ripasso ran %.1f s)\n", double(clock.elapsed()) / 1000);
    // A missed goal is marked on its line; 1 only when something could not be
    // measured.
    return measured ? 0 : 1;
}
