// The memory model on hand-worked histories: what raises a fact's stability
// and what lowers it, and how recall falls with time.
#include "learning/localclock.h"
#include "learning/memoryfit.h"
#include "learning/memorymodel.h"

#include <QRegularExpression>
#include <QTest>

#include <cmath>
#include <random>

using namespace Zentovia;
using namespace Qt::StringLiterals;

namespace {

const qint64 Start = LocalClock::wallSeconds(QDateTime(QDate(2026, 9, 14), QTime(17, 0)));

// "0G 3G": good answers on days 0 and 3; "0A": a miss; "0G+10": ten minutes
// after the start of day 0.
FactMemory memoryOf(const QString &history)
{
    FactMemory memory;
    for (const QString &token : history.split(u' ', Qt::SkipEmptyParts)) {
        const qsizetype grade = token.indexOf(QRegularExpression(u"[AHGE]"_s));
        const qint64 at = Start + token.left(grade).toLongLong() * 86400
            + token.section(u'+', 1).toLongLong() * 60;
        const Grade g = token.at(grade) == u'A' ? Grade::Again
            : token.at(grade) == u'H'           ? Grade::Hard
            : token.at(grade) == u'G'           ? Grade::Good
                                                : Grade::Easy;
        memory.add(at, g);
    }
    return memory;
}

// A child's answers to ten facts over eight months, practised on days drawn
// one to twelve apart, from a true memory whose recall after t days is
// (1 + f t / S)^-d (f: R(S) = 0.9), or 0.9^(t / S) when exponential; S grows
// by 1.6 with each day's first success and halves with a miss.
QList<QList<Attempt>> history(bool exponential, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    std::uniform_int_distribution<int> gap(1, 12);
    QList<QList<Attempt>> facts;
    for (int f = 0; f < 10; ++f) {
        QList<Attempt> attempts;
        double stability = 0.5;
        for (int day = 0; day < 250; day += gap(random)) {
            const double t = attempts.isEmpty()
                ? 30.0
                : double(Start + day * 86400 - attempts.last().wallSeconds) / 86400;
            const double recall = exponential
                ? std::pow(0.9, t / stability)
                : std::pow(1 + (std::pow(0.9, -1 / 0.2) - 1) * t / stability, -0.2);
            const bool right = unit(random) < recall;
            stability = right ? stability * 1.6 : std::max(0.3, stability / 2);
            attempts << Attempt { Start + day * 86400 + f * 12,
                right ? Outcome::Right : Outcome::Wrong, right ? 30 : 50 };
        }
        facts << attempts;
    }
    return facts;
}

} // namespace

class TestMemoryModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void stability_data();
    void stability();
    void grades_data();
    void grades();
    void recallFalls();
    void fit_data();
    void fit();
};

void TestMemoryModel::stability_data()
{
    QTest::addColumn<QString>("more");
    QTest::addColumn<QString>("less");
    QTest::newRow("a spaced success over a massed one") << u"0G 3G"_s << u"0G 0G+10"_s;
    QTest::newRow("a longer space, a larger gain") << u"0G 2G 9G"_s << u"0G 2G 3G"_s;
    QTest::newRow("a lapse lowers") << u"0G 2G 9G"_s << u"0G 2G 9A"_s;
    QTest::newRow("a retry of the day raises nothing") << u"0G"_s << u"0G 0G+5 0G+9"_s;
    QTest::newRow("at 23:50, the day's retry raises nothing") << u"0G"_s << u"0G 0G+410"_s;
    QTest::newRow("at nine the next morning, a later day") << u"0G 0G+960"_s << u"0G 0G+10"_s;
    QTest::newRow("a slow success gains less") << u"0G 3G"_s << u"0G 3H"_s;
    QTest::newRow("a quick one more") << u"0G 3E"_s << u"0G 3G"_s;
}

void TestMemoryModel::stability()
{
    QFETCH(QString, more);
    QFETCH(QString, less);
    const double a = memoryOf(more).stability();
    const double b = memoryOf(less).stability();
    if (QByteArray(QTest::currentDataTag()).contains("raises nothing"))
        QCOMPARE(a, b);
    else
        QVERIFY2(a > b, qPrintable(u"%1 against %2"_s.arg(a).arg(b)));
}

void TestMemoryModel::grades_data()
{
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("tenths");
    QTest::addColumn<int>("grade");
    QTest::newRow("wrong") << int(Outcome::Wrong) << 20 << int(Grade::Again);
    QTest::newRow("skipped") << int(Outcome::Skipped) << 0 << int(Grade::Again);
    QTest::newRow("right, past the time") << int(Outcome::Right) << 61 << int(Grade::Hard);
    QTest::newRow("right in time") << int(Outcome::Right) << 60 << int(Grade::Good);
    QTest::newRow("right within half of it") << int(Outcome::Right) << 30 << int(Grade::Easy);
}

void TestMemoryModel::grades()
{
    QFETCH(int, outcome);
    QFETCH(int, tenths);
    QFETCH(int, grade);
    QCOMPARE(int(gradeOf({ Start, Outcome(outcome), tenths }, 6)), grade);
}

void TestMemoryModel::recallFalls()
{
    const FactMemory memory = memoryOf(u"0G 2G 7G"_s);
    const qint64 last = Start + 7 * 86400;
    double before = 1.0001;
    for (const int days : { 0, 1, 3, 10, 30 }) {
        const double recall = memory.recallAt(last + days * 86400);
        QVERIFY(recall < before);
        before = recall;
    }
    // At its stability, recall is 0.9: what stability means.
    QCOMPARE(qRound(memory.recallAt(last + qint64(memory.stability() * 86400)) * 1000), 900);
    QCOMPARE(FactMemory().recallAt(last), 0.0);
}

void TestMemoryModel::fit_data()
{
    QTest::addColumn<unsigned>("seed");
    for (const unsigned seed : { 1u, 2u, 3u, 4u })
        QTest::addRow("seed %u", seed) << seed;
}

// The decay fitted to each kind of forgetting moves the right way, and the
// fit is kept only when it predicts the later answers, never seen by the fit,
// better than the defaults.
void TestMemoryModel::fit()
{
    QFETCH(unsigned, seed);
    const MemoryParameters defaults = MemoryParameters::forChildren();
    std::array<double, 2> decays {};
    for (const bool exponential : { false, true }) {
        const QList<QList<Attempt>> facts = history(exponential, seed);
        const MemoryFit fit = fitMemory(facts, 6);
        QVERIFY(fit.judged >= MinimumJudged);
        decays[exponential] = fit.candidate.decay;
        // The later 30 % of the answers, scored on their own.
        QList<qint64> moments;
        for (const QList<Attempt> &attempts : facts)
            for (const Attempt &a : attempts)
                moments << a.wallSeconds;
        std::sort(moments.begin(), moments.end());
        const qint64 from = moments.at(qsizetype(double(moments.size()) * 0.7));
        const double kept = logLoss(predictions(facts, 6, fit.parameters, from));
        const double byDefaults = logLoss(predictions(facts, 6, defaults, from));
        QVERIFY2(kept <= byDefaults, qPrintable(u"%1 against %2"_s.arg(kept).arg(byDefaults)));
        QCOMPARE(fit.kept, !(fit.parameters == defaults));
        QCOMPARE(fit.kept, logLoss(predictions(facts, 6, fit.candidate, from)) < byDefaults);
    }
    QVERIFY2(decays[0] < 0.5 && decays[1] > decays[0],
        qPrintable(u"power law %1, exponential %2"_s.arg(decays[0]).arg(decays[1])));
}

QTEST_GUILESS_MAIN(TestMemoryModel)
#include "test_memorymodel.moc"
