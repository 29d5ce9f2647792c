// The order of a ripasso: what a child missed first, the misses of the day
// again two or three questions later, never a fact twice in a row, a few new
// facts and a learned one now and then.
#include "learning/practiceplan.h"
#include "notebook/notebook.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Zentovia;
using namespace Qt::StringLiterals;

namespace {

// "7T9": 5 x 7 to learn, last missed at minute 9; "2Q1": almost, missed at
// minute 1; "4L2": learned, last asked at minute 2. Facts not named were
// never asked.
FactGrid gridOf(const QStringList &facts)
{
    FactGrid grid;
    const QDateTime start(QDate(2026, 12, 1), QTime(9, 0));
    for (const QString &f : facts) {
        FactSummary &s = grid.at(4).at(f.first(f.size() - 2).toInt() - 1);
        const QChar state = f.at(f.size() - 2);
        const QDateTime at = start.addSecs(60 * f.back().digitValue());
        s.state = state == u'T' ? FactState::ToLearn
            : state == u'Q'     ? FactState::Almost
                                : FactState::Learned;
        s.lastAsked = at;
        if (state != u'L')
            s.lastMistake = at;
    }
    return grid;
}

// Plays n questions, missing those whose numbers are in misses; the
// multipliers asked, "?" standing for a fact never asked before.
QStringList play(PracticePlan &plan, int n, const QList<int> &misses, const FactGrid &grid)
{
    QStringList asked;
    for (int i = 0; i < n; ++i) {
        const Fact fact = plan.next();
        const bool isNew = grid.at(4).at(fact.multiplier - 1).state == FactState::NeverAsked;
        asked << (isNew ? u"?"_s : QString::number(fact.multiplier));
        plan.answered(fact, !misses.contains(i));
    }
    return asked;
}

} // namespace

class TestPracticePlan : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void order_data();
    void order();
    void rules_data();
    void rules();
    void missInAContestComesFirst();
};

void TestPracticePlan::order_data()
{
    QTest::addColumn<QStringList>("facts");
    QTest::addColumn<QList<int>>("misses");
    QTest::addColumn<QString>("asked");
    const QStringList day { u"7T5"_s, u"3T9"_s, u"2Q1"_s, u"4L2"_s, u"6L1"_s };
    QTest::newRow("latest mistake first, then almost, a learned one in four, three new, again")
        << day << QList<int> {} << u"3 7 2 6 ? ? ? 4 3 7 2 6"_s;
    QTest::newRow("a miss comes back after two others")
        << day << QList<int> { 0 } << u"3 7 2 3 ? ? ? 6"_s;
    QTest::newRow("two misses in a row come back in turn")
        << day << QList<int> { 1, 2 } << u"3 7 2 6 7 2 ? 4 ?"_s;
    QTest::newRow("missed again, back again") << day << QList<int> { 0, 3 } << u"3 7 2 3 ? ? 3 6"_s;
}

void TestPracticePlan::order()
{
    QFETCH(QStringList, facts);
    QFETCH(QList<int>, misses);
    QFETCH(QString, asked);
    const FactGrid grid = gridOf(facts);
    PracticePlan plan(grid, { 5 }, [](int) { return 0; });
    const QStringList expected = asked.split(u' ');
    QCOMPARE(play(plan, int(expected.size()), misses, grid), expected);
}

void TestPracticePlan::rules_data()
{
    QTest::addColumn<QStringList>("facts");
    QTest::addColumn<QList<int>>("misses");
    QTest::newRow("no history") << QStringList {} << QList<int> { 0, 5, 6 };
    QTest::newRow("one fact to learn") << QStringList { u"7T1"_s } << QList<int> { 0, 3, 6, 9 };
    QTest::newRow("all learned") << QStringList { u"1L1"_s, u"2L2"_s, u"3L3"_s, u"4L4"_s, u"5L5"_s,
        u"6L6"_s, u"7L7"_s, u"8L8"_s, u"9L9"_s, u"10L0"_s }
                                 << QList<int> { 1, 2 };
}

void TestPracticePlan::rules()
{
    QFETCH(QStringList, facts);
    QFETCH(QList<int>, misses);
    const FactGrid grid = gridOf(facts);
    quint32 seed = 7;
    PracticePlan plan(
        grid, { 5 }, [&](int n) { return int((seed = seed * 31 + 11) % quint32(n)); });
    QList<Fact> asked;
    for (int i = 0; i < 20; ++i) {
        asked << plan.next();
        QCOMPARE(asked.last().table, 5);
        QVERIFY2(i == 0 || !(asked.at(i) == asked.at(i - 1)), "the same fact twice in a row");
        plan.answered(asked.last(), !misses.contains(i));
    }
    QSet<int> fresh;
    for (const Fact &fact : asked)
        if (grid.at(4).at(fact.multiplier - 1).state == FactState::NeverAsked)
            fresh << fact.multiplier;
    // With no history the whole table is new; otherwise three new facts at most.
    QCOMPARE(fresh.size(), facts.isEmpty() ? 10 : std::min(3, 10 - int(facts.size())));
}

void TestPracticePlan::missInAContestComesFirst()
{
    QTemporaryDir home;
    Notebook notebook(home.filePath(u"quaderno.sqlite"_s));
    const QDateTime at = QDateTime::currentDateTime().addDays(-1);
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
    PracticePlan plan(*grid, { 5 }, [](int) { return 0; });
    // The latest mistake first: the skipped 5 x 9, then 5 x 7.
    QCOMPARE(plan.next(), (Fact { 5, 9 }));
    QCOMPARE(plan.next(), (Fact { 5, 7 }));
}

QTEST_GUILESS_MAIN(TestPracticePlan)
#include "test_practiceplan.moc"
