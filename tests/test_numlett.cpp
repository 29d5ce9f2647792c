#include "core/failure.h"
#include "words/numlett.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Zentovia::Failure;

namespace {

constexpr qint64 Unit = 10000;

} // namespace

class TestNumlett : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void words_data();
    void words();
    void tooLarge_data();
    void tooLarge();
    void fixedPoint_data();
    void fixedPoint();
    void notANumber_data();
    void notANumber();
};

void TestNumlett::words_data()
{
    QTest::addColumn<qint64>("numer");
    QTest::addColumn<QString>("expected");

    const auto row = [](qint64 whole, const QString &expected) {
        QTest::addRow("%lld", whole) << whole * Unit << expected;
    };
    row(0, u""_s);
    row(1, u"uno"_s);
    row(5, u"cinque"_s);
    row(10, u"dieci"_s);
    row(17, u"diciassette"_s);
    row(20, u"venti"_s);
    row(21, u"ventuno"_s);
    row(23, u"ventitre"_s);
    row(28, u"ventotto"_s);
    row(30, u"trenta"_s);
    row(31, u"trentuno"_s);
    row(38, u"trentotto"_s);
    row(11, u"undici"_s);
    row(18, u"diciotto"_s);
    row(19, u"diciannove"_s);
    row(61, u"sessantuno"_s);
    row(78, u"settantotto"_s);
    row(81, u"ottantuno"_s);
    row(88, u"ottantotto"_s);
    row(91, u"novantuno"_s);
    row(99, u"novantanove"_s);
    row(45, u"quarantacinque"_s);
    row(50, u"cinquanta"_s);
    row(100, u"cento"_s);
    row(101, u"centouno"_s);
    row(108, u"centootto"_s);
    row(111, u"centoundici"_s);
    row(117, u"centodiciassette"_s);
    row(120, u"centoventi"_s);
    row(121, u"centoventuno"_s);
    row(180, u"centoottanta"_s);
    row(181, u"centoottantuno"_s);
    row(200, u"duecento"_s);
    row(218, u"duecentodiciotto"_s);
    row(298, u"duecentonovantotto"_s);
    row(801, u"ottocentouno"_s);
    row(999, u"novecentonovantanove"_s);
    row(1000, u"mille"_s);
    row(1001, u"milleuno"_s);
    row(1021, u"milleventuno"_s);
    row(1100, u"millecento"_s);
    row(2000, u"duemila"_s);
    row(11000, u"undicimila"_s);
    row(18000, u"diciottomila"_s);
    row(88000, u"ottantottomila"_s);
    row(108000, u"centoottomila"_s);
    row(118018, u"centodiciottomiladiciotto"_s);
    row(21000, u"ventunomila"_s);
    row(101000, u"centounomila"_s);
    row(100000, u"centomila"_s);
    row(201001, u"duecentounomilauno"_s);
    row(1000000, u"unmilione"_s);
    row(1001000, u"unmilionemille"_s);
    row(1000001, u"unmilioneuno"_s);
    row(2000000, u"duemilioni"_s);
    row(2500000, u"duemilionicinquecentomila"_s);
    row(21000000, u"ventunomilioni"_s);
    row(1000000000, u"unmiliardo"_s);
    row(1001001001, u"unmiliardounmilionemilleuno"_s);
    row(3000000001, u"tremiliardiuno"_s);
    row(21000000000, u"ventunomiliardi"_s);
    row(999999999999,
        u"novecentonovantanovemiliardinovecentonovantanovemilioni"
        "novecentonovantanovemilanovecentonovantanove"_s);

    // The fraction is dropped, never rounded; nothing below 1 has words.
    QTest::newRow("2.75") << 27500LL << u"due"_s;
    QTest::newRow("1.9999") << 19999LL << u"uno"_s;
    QTest::newRow("0.9999") << 9999LL << u""_s;
    QTest::newRow("0.5") << 5000LL << u""_s;
    QTest::newRow("0.0001") << 1LL << u""_s;
    QTest::newRow("-5") << -5 * Unit << u""_s;
    QTest::newRow("-0.5") << -5000LL << u""_s;
    QTest::newRow("-1000") << -1000 * Unit << u""_s;
    QTest::newRow("most negative") << std::numeric_limits<qint64>::min() << u""_s;
    QTest::newRow("just below 10^12") << 1'000'000'000'000 * Unit - 1
                                      << u"novecentonovantanovemiliardinovecentonovantanovemilioni"
                                         "novecentonovantanovemilanovecentonovantanove"_s;
}

void TestNumlett::words()
{
    QFETCH(qint64, numer);
    QFETCH(QString, expected);
    QCOMPARE(Zentovia::numlett(numer), expected);
}

void TestNumlett::tooLarge_data()
{
    QTest::addColumn<qint64>("numer");
    QTest::newRow("10^12") << 1'000'000'000'000 * Unit;
    QTest::newRow("10^12 + 0.5") << 1'000'000'000'000 * Unit + 5000;
    QTest::newRow("largest") << std::numeric_limits<qint64>::max();
}

void TestNumlett::tooLarge()
{
    QFETCH(qint64, numer);
    try {
        Zentovia::numlett(numer);
        QFAIL("no Failure raised");
    } catch (const Failure &failure) {
        QVERIFY2(failure.message().contains(QString::number(numer / Unit)),
            qPrintable(failure.message()));
    }
}

void TestNumlett::fixedPoint_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("7") << u"7"_s << 70000LL;
    QTest::newRow("10") << u"10"_s << 100000LL;
    QTest::newRow("2.75") << u"2.75"_s << 27500LL;
    QTest::newRow("0.5") << u"0.5"_s << 5000LL;
    QTest::newRow(".5") << u".5"_s << 5000LL;
    QTest::newRow("5.") << u"5."_s << 50000LL;
    QTest::newRow("0") << u"0"_s << 0LL;
    QTest::newRow("-5") << u"-5"_s << -50000LL;
    QTest::newRow("-0.25") << u"-0.25"_s << -2500LL;
    QTest::newRow("+3") << u"+3"_s << 30000LL;
    QTest::newRow("blanks around") << u"  12 \t"_s << 120000LL;
    QTest::newRow("leading zeros") << u"007"_s << 70000LL;
    QTest::newRow("four decimals") << u"1.2345"_s << 12345LL;
    QTest::newRow("fifth decimal dropped") << u"1.23459"_s << 12345LL;
    QTest::newRow("10^12") << u"1000000000000"_s << 1'000'000'000'000 * Unit;
    QTest::newRow("largest") << u"922337203685477.5807"_s << std::numeric_limits<qint64>::max();
}

void TestNumlett::fixedPoint()
{
    QFETCH(QString, text);
    QFETCH(qint64, expected);
    QCOMPARE(Zentovia::toFixedPoint(text), expected);
}

void TestNumlett::notANumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << u""_s;
    QTest::newRow("blanks") << u"   "_s;
    QTest::newRow("letters") << u"sette"_s;
    QTest::newRow("digits then letters") << u"7a"_s;
    QTest::newRow("blank inside") << u"1 2"_s;
    QTest::newRow("two points") << u"1.2.3"_s;
    QTest::newRow("comma") << u"1,5"_s;
    QTest::newRow("sign alone") << u"-"_s;
    QTest::newRow("point alone") << u"."_s;
    QTest::newRow("two signs") << u"+-3"_s;
    QTest::newRow("just past largest") << u"922337203685477.5808"_s;
    QTest::newRow("far too many digits") << u"99999999999999999999"_s;
}

void TestNumlett::notANumber()
{
    QFETCH(QString, text);
    try {
        Zentovia::toFixedPoint(text);
        QFAIL("no Failure raised");
    } catch (const Failure &failure) {
        QVERIFY2(failure.message().contains(u"«" + text + u"»"), qPrintable(failure.message()));
    }
}

QTEST_APPLESS_MAIN(TestNumlett)
#include "test_numlett.moc"
