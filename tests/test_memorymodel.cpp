// The memory model on hand-worked histories: what raises a fact's stability
// and what lowers it, and how recall falls with time.
#include "learning/localclock.h"
#include "learning/memorymodel.h"

#include <QRegularExpression>
#include <QTest>

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
};

void TestMemoryModel::stability_data()
{
    QTest::addColumn<QString>("more");
    QTest::addColumn<QString>("less");
    QTest::newRow("a spaced success over a massed one") << u"0G 3G"_s << u"0G 0G+10"_s;
    QTest::newRow("a longer space, a larger gain") << u"0G 2G 9G"_s << u"0G 2G 3G"_s;
    QTest::newRow("a lapse lowers") << u"0G 2G 9G"_s << u"0G 2G 9A"_s;
    QTest::newRow("a retry of the day raises nothing") << u"0G"_s << u"0G 0G+5 0G+9"_s;
    QTest::newRow("a slow success gains less") << u"0G 3G"_s << u"0G 3H"_s;
    QTest::newRow("a quick one more") << u"0G 3E"_s << u"0G 3G"_s;
}

void TestMemoryModel::stability()
{
    QFETCH(QString, more);
    QFETCH(QString, less);
    const double a = memoryOf(more).stability();
    const double b = memoryOf(less).stability();
    if (QTest::currentDataTag() == QByteArray("a retry of the day raises nothing"))
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

QTEST_GUILESS_MAIN(TestMemoryModel)
#include "test_memorymodel.moc"
