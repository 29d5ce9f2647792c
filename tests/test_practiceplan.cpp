// The order of a ripasso: the last session's misses first, the misses of the
// day again two or three questions later, never a fact twice in a row, and
// otherwise what the memory model says is closest to being forgotten.
#include "learning/localclock.h"
#include "learning/practiceplan.h"
#include "notebook/notebook.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Zentovia;
using namespace Qt::StringLiterals;

namespace {

const QDateTime Now(QDate(2026, 12, 1), QTime(17, 0));

// The 5 times table's facts: "7W" 5 x 7 missed yesterday, "2R" right in time
// yesterday, "4K" kept: right in time on eight days over two months. Facts
// not named were never asked.
FactGrid gridOf(const QStringList &facts)
{
    const qint64 now = LocalClock::wallSeconds(Now);
    GridBuilder grid(DefaultFactSeconds, now);
    for (const QString &f : facts) {
        const int multiplier = f.first(f.size() - 1).toInt();
        const QChar kind = f.back();
        if (kind == u'K') {
            for (const int daysAgo : { 60, 45, 33, 24, 17, 11, 6, 2 })
                grid.add(5, multiplier, { now - daysAgo * 86400, Outcome::Right, 25 });
        } else {
            grid.add(
                5, multiplier, { now - 86400, kind == u'R' ? Outcome::Right : Outcome::Wrong, 40 });
        }
    }
    return grid.finish();
}

const FactSummary &summaryOf(const FactGrid &grid, const Fact &fact)
{
    return grid.at(fact.table - 1).at(fact.multiplier - 1);
}

} // namespace

class TestPracticePlan : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rules_data();
    void rules();
    void missInAContestComesFirst();
    void opening_data();
    void opening();
    void newFactsByTheModel();
};

void TestPracticePlan::rules_data()
{
    QTest::addColumn<QStringList>("facts");
    QTest::addColumn<QList<int>>("misses");
    const QStringList kept { u"1K"_s, u"2K"_s, u"3K"_s, u"4K"_s, u"5K"_s, u"6K"_s, u"7K"_s, u"8K"_s,
        u"9K"_s, u"10K"_s };
    QTest::newRow("no history") << QStringList {} << QList<int> { 0, 5, 6 };
    QTest::newRow("one fact missed") << QStringList { u"7W"_s } << QList<int> { 0, 3, 6, 9 };
    QTest::newRow("a day's mix") << QStringList { u"7W"_s, u"3W"_s, u"2R"_s, u"4K"_s, u"6K"_s }
                                 << QList<int> { 1, 2 };
    QTest::newRow("all kept") << kept << QList<int> { 1, 2 };
    QTest::newRow("all kept but two") << (kept.mid(0, 8) << u"9W"_s << u"10R"_s) << QList<int> {};
}

// Over 20 questions: the table's alone, never twice in a row, each miss
// back after two or three others, every new fact in once the known ones are
// held better than a first answer is; first the facts most forgotten, and no
// fact the model holds for sure while others are due.
void TestPracticePlan::rules()
{
    QFETCH(QStringList, facts);
    QFETCH(QList<int>, misses);
    const FactGrid grid = gridOf(facts);
    quint32 seed = 7;
    PracticePlan plan(
        grid, { 5 }, [&](int n) { return int((seed = seed * 31 + 11) % quint32(n)); },
        LocalClock::wallSeconds(Now));
    QList<Fact> asked;
    for (int i = 0; i < 20; ++i) {
        asked << plan.next();
        QCOMPARE(asked.last().table, 5);
        QVERIFY2(i == 0 || !(asked.at(i) == asked.at(i - 1)), "the same fact twice in a row");
        plan.answered(asked.last(), !misses.contains(i));
    }
    for (const int miss : misses) {
        const bool back
            = asked.value(miss + 3) == asked.at(miss) || asked.value(miss + 4) == asked.at(miss);
        QVERIFY2(back, qPrintable(u"the miss at %1 did not come back"_s.arg(miss)));
    }
    QSet<int> fresh;
    for (const Fact &fact : asked)
        if (summaryOf(grid, fact).state == FactState::NeverAsked)
            fresh << fact.multiplier;
    QCOMPARE(fresh.size(), 10 - facts.size());
    // The facts asked before, by their recall now: those below one half
    // come first, lowest first; a fact held for sure waits while others are
    // due.
    QList<Fact> weak, sure;
    for (int m = 1; m <= 10; ++m) {
        const FactSummary &s = summaryOf(grid, { 5, m });
        if (s.asked && s.recallNow < 0.5)
            weak << Fact { 5, m };
        if (s.asked && s.recallNow >= 0.9)
            sure << Fact { 5, m };
    }
    std::sort(weak.begin(), weak.end(), [&](const Fact &a, const Fact &b) {
        return summaryOf(grid, a).recallNow < summaryOf(grid, b).recallNow;
    });
    if (!weak.isEmpty() && !misses.contains(0))
        QCOMPARE(asked.first(), weak.first());
    const qsizetype firstSure = std::find_if(asked.begin(), asked.end(), [&](const Fact &f) {
        return sure.contains(f);
    }) - asked.begin();
    for (const Fact &fact : weak)
        QVERIFY2(asked.indexOf(fact) < firstSure, "a sure fact before a weak one");
}

void TestPracticePlan::missInAContestComesFirst()
{
    QTemporaryDir home;
    Notebook notebook(home.filePath(u"quaderno.sqlite"_s));
    // A contest that ended a minute ago: its misses' recall is still high.
    const QDateTime at = QDateTime::currentDateTime().addSecs(-120);
    int second = 0;
    for (const auto &[multiplier, outcome] :
        { std::pair(2, Outcome::Right), std::pair(7, Outcome::Wrong), std::pair(3, Outcome::Right),
            std::pair(9, Outcome::Skipped), std::pair(4, Outcome::Right) }) {
        Answer answer;
        answer.at = at.addSecs(10 * ++second);
        answer.child = u"Leo"_s;
        answer.table = 5;
        answer.multiplier = multiplier;
        answer.outcome = outcome;
        answer.tenths = 30;
        QVERIFY2(notebook.add(answer), qPrintable(notebook.problem()));
    }
    const auto grid = notebook.grid(u"leo"_s);
    QVERIFY(grid);
    PracticePlan plan(
        *grid, { 5 }, [](int) { return 0; }, LocalClock::wallSeconds(QDateTime::currentDateTime()));
    // The two missed first: the skipped 5 x 9 and 5 x 7.
    const QList<Fact> first { plan.next(), plan.next() };
    QVERIFY(first.contains(Fact { 5, 9 }));
    QVERIFY(first.contains(Fact { 5, 7 }));
}

void TestPracticePlan::opening_data()
{
    // "90:7W": 5 x 7 missed 90 minutes before the ripasso (R right, S skipped).
    QTest::addColumn<QString>("answers");
    QTest::addColumn<QList<int>>("first"); // the facts that open it, in any order
    QTest::newRow("a contest a minute ago") << u"3:2R 2:7W 2:9S 1:4R"_s << QList<int> { 7, 9 };
    QTest::newRow("yesterday's ripasso, one fact missed twice")
        << u"1500:7W 1499:3R 1498:7W 1497:8R"_s << QList<int> { 7 };
    QTest::newRow("a miss two sessions ago, right since")
        << u"3000:6W 100:6R 99:3W 98:2R"_s << QList<int> { 3 };
    QTest::newRow("nothing missed last time") << u"3000:6W 100:2R"_s << QList<int> {};
}

// The facts missed in the child's last session open the ripasso, however
// high the model holds them minutes later; none of an earlier session.
void TestPracticePlan::opening()
{
    QFETCH(QString, answers);
    QFETCH(QList<int>, first);
    const qint64 now = LocalClock::wallSeconds(Now);
    GridBuilder builder(DefaultFactSeconds, now);
    for (const QString &answer : answers.split(u' ')) {
        const qint64 at = now - answer.section(u':', 0, 0).toLongLong() * 60;
        const QString fact = answer.section(u':', 1);
        const Outcome outcome = fact.back() == u'R' ? Outcome::Right
            : fact.back() == u'W'                   ? Outcome::Wrong
                                                    : Outcome::Skipped;
        builder.add(5, fact.chopped(1).toInt(), { at, outcome, 30 });
    }
    PracticePlan plan(
        builder.finish(), { 5 }, [](int) { return 0; }, now);
    QList<int> opened;
    for (qsizetype i = 0; i < first.size(); ++i)
        opened << plan.next().multiplier;
    std::sort(opened.begin(), opened.end());
    std::sort(first.begin(), first.end());
    QCOMPARE(opened, first);
}

// A fact never asked comes in when the known facts are held better than
// this child's first answers are right: sooner for a child whose first
// answers were mostly wrong.
void TestPracticePlan::newFactsByTheModel()
{
    const qint64 now = LocalClock::wallSeconds(Now);
    QList<int> fresh;
    for (const Outcome firstAnswers : { Outcome::Right, Outcome::Wrong }) {
        GridBuilder builder(DefaultFactSeconds, now);
        for (int m = 1; m <= 10; ++m)
            builder.add(3, m, { now - 40 * 86400 + m * 12, firstAnswers, 30 });
        for (int m = 1; m <= 5; ++m)
            builder.add(5, m, { now - 86400 + m * 12, Outcome::Right, 30 });
        PracticePlan plan(
            builder.finish(), { 5 }, [](int) { return 0; }, now);
        int count = 0;
        for (int i = 0; i < 5; ++i)
            count += plan.next().multiplier > 5 ? 1 : 0;
        fresh << count;
    }
    QVERIFY2(fresh.at(0) < fresh.at(1), qPrintable(u"%1, %2"_s.arg(fresh.at(0)).arg(fresh.at(1))));
}

QTEST_GUILESS_MAIN(TestPracticePlan)
#include "test_practiceplan.moc"
