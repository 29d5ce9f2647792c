// The silent voice: the pace of a text's words, and the voice that keeps it
// on a fake clock.
#include "contest/contest.h"
#include "support/fakeclock.h"
#include "voice/pacedvoice.h"

#include <QSignalSpy>
#include <QTest>

using namespace Zentovia;
using namespace Qt::StringLiterals;

class TestPacedVoice : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pacedTiming()
    {
        const SpeechTiming t = PacedVoice::timing(QStringLiteral("Sei  grande, campione!"));
        QCOMPARE(t.words.size(), 3);
        QCOMPARE(t.words.at(0).position, 0);
        QCOMPARE(t.words.at(0).length, 3);
        QCOMPARE(t.words.at(1).position, 5);
        QCOMPARE(t.words.at(1).length, 7);
        QCOMPARE(t.words.at(2).position, 13);
        for (int i = 1; i < t.words.size(); ++i)
            QCOMPARE(
                t.words.at(i).startMs, t.words.at(i - 1).startMs + t.words.at(i - 1).durationMs);
        // A comma and a full stop give pauses; longer words take longer.
        QVERIFY(t.words.at(1).durationMs > PacedVoice::kWordBaseMs + 7 * PacedVoice::kPerLetterMs);
        QCOMPARE(
            t.totalMs, t.words.last().startMs + t.words.last().durationMs + PacedVoice::kEndHoldMs);
        // Short texts still stay long enough to be read.
        QCOMPARE(PacedVoice::timing(QStringLiteral("5")).totalMs, PacedVoice::kMinimumMs);
        QVERIFY(PacedVoice::timing(QString()).words.isEmpty());
        // The instructions take a child's reading time: some seconds, not a minute.
        const int instructions = PacedVoice::timing(Contest::Instructions).totalMs;
        QVERIFY2(instructions > 15000 && instructions < 40000,
            qPrintable(QString::number(instructions)));
        // The mouth moves while words are said and is shut at the end.
        bool opened = false;
        for (int ms = 0; ms < t.totalMs; ms += 20)
            opened = opened || t.mouthAt(ms) > 0.5;
        QVERIFY(opened);
        QCOMPARE(t.mouthAt(t.totalMs), 0.0);
    }

    void pacedVoiceRuns()
    {
        FakeClock clock;
        PacedVoice voice(&clock);
        QSignalSpy words(&voice, &Voice::wordReached);
        QSignalSpy mouth(&voice, &Voice::mouthOpened);
        QSignalSpy finished(&voice, &Voice::finished);
        const QString text = QStringLiteral("cinque per sette");
        const SpeechTiming t = PacedVoice::timing(text);
        voice.say(text);
        QCOMPARE(words.size(), 0); // nothing happens before say() returns
        clock.advance(t.totalMs - 1);
        QCOMPARE(finished.size(), 0);
        QCOMPARE(words.size(), 3);
        QCOMPARE(words.at(2).at(0).toInt(), 11);
        QCOMPARE(words.at(2).at(1).toInt(), 5);
        QVERIFY(mouth.size() > 3);
        clock.advance(1);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(mouth.last().at(0).toReal(), 0.0);
        // stop() ends an utterance without finished().
        voice.say(text);
        clock.advance(300);
        voice.stop();
        clock.advance(t.totalMs * 2);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(clock.pending(), 0);
    }

    void stopPauses_data()
    {
        QTest::addColumn<QString>("mark");
        QTest::addColumn<int>("pause");
        QTest::newRow("full stop") << u"."_s << int(PacedVoice::kStopPauseMs);
        QTest::newRow("exclamation") << u"!"_s << int(PacedVoice::kStopPauseMs);
        QTest::newRow("question") << u"?"_s << int(PacedVoice::kStopPauseMs);
        QTest::newRow("comma") << u","_s << int(PacedVoice::kCommaPauseMs);
        QTest::newRow("colon") << u":"_s << int(PacedVoice::kCommaPauseMs);
    }
    void stopPauses()
    {
        // A mark after a word holds the word longer by its pause.
        QFETCH(QString, mark);
        QFETCH(int, pause);
        const auto first
            = [](const QString &text) { return PacedVoice::timing(text).words.first().durationMs; };
        QCOMPARE(first(u"Bravo"_s + mark + u" Anna"_s), first(u"Bravo Anna"_s) + pause);
    }
};

QTEST_GUILESS_MAIN(TestPacedVoice)
#include "test_pacedvoice.moc"
