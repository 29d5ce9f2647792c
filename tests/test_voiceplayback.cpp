#include "support/privatepulse.h"

#include "character/espeakvoice.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include "app/tavola.h"
#include "support/loudness.h"

#include <cmath>

using namespace Qt::StringLiterals;
using namespace Zentovia;
using namespace Zentovia::Testing;

namespace { } // namespace

// The voice through a real sound server: a PulseAudio of the test's own with
// a null sink, whose monitor is recorded.
class TestVoicePlayback : public QObject
{
    Q_OBJECT

private:
    PrivatePulse m_pulse;

private Q_SLOTS:
    void initTestCase()
    {
        if (!PrivatePulse::installed())
            QSKIP("pulseaudio is not installed (scripts/install-deps installs it)");
        QString why;
        QVERIFY2(m_pulse.start(&why), qPrintable(why));
        // Before anything in this process looks for a sound device.
        qputenv("PULSE_SERVER", m_pulse.server().toUtf8());
    }

    // The instructions are played through the server to their end: the
    // recording holds as many seconds of voice as the synthesized sound, and
    // finished() comes once all of it has been played.
    void instructionsAreHeard()
    {
        EspeakVoice voice;
        QSignalSpy finished(&voice, &Voice::finished);
        QSignalSpy words(&voice, &Voice::wordReached);
        voice.prepare(Tavola::Instructions);
        QTRY_VERIFY(voice.isPrepared(Tavola::Instructions));
        const auto utterance = voice.preparedUtterance(Tavola::Instructions);
        const double spoken = loudSeconds(utterance->pcm, utterance->sampleRate);

        Recording recording(m_pulse.server(), PrivatePulse::monitor(), utterance->sampleRate);
        QString why;
        QVERIFY2(recording.start(&why), qPrintable(why));
        QTest::qWait(300);
        QElapsedTimer clock;
        clock.start();
        voice.say(Tavola::Instructions);
        QVERIFY(!voice.isSilent());
        const int durationMs = int(utterance->durationUSecs() / 1000);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, durationMs + 5000);
        const qint64 took = clock.elapsed();
        QVERIFY2(!voice.isSilent() && took >= durationMs - 100,
            qPrintable(u"finished after %1 ms of %2 ms"_s.arg(took).arg(durationMs)));
        QTest::qWait(300);
        const QByteArray heard = recording.finish();

        const double heardSeconds = loudSeconds(heard, utterance->sampleRate);
        qInfo("instructions: %.2f s of sound, %.2f s of voice; heard %.2f s of voice; "
              "finished after %.2f s",
            double(durationMs) / 1000, spoken, heardSeconds, double(took) / 1000);
        QVERIFY2(heardSeconds >= 0.85 * spoken && heardSeconds <= 1.15 * spoken + 0.3,
            qPrintable(u"heard %1 s of voice, said %2 s"_s.arg(heardSeconds).arg(spoken)));
        QCOMPARE(words.count(), utterance->words.size());
    }

    // The server dies in the middle: the voice goes on in silence, ends when
    // the sound would have ended, and does not stall.
    void serverLostMidway()
    {
        EspeakVoice voice;
        QSignalSpy finished(&voice, &Voice::finished);
        QSignalSpy words(&voice, &Voice::wordReached);
        voice.prepare(Tavola::Instructions);
        QTRY_VERIFY(voice.isPrepared(Tavola::Instructions));
        const auto utterance = voice.preparedUtterance(Tavola::Instructions);
        const int durationMs = int(utterance->durationUSecs() / 1000);

        QElapsedTimer clock;
        clock.start();
        voice.say(Tavola::Instructions);
        QVERIFY(!voice.isSilent());
        QTest::qWait(durationMs / 3);
        m_pulse.kill();
        QTRY_VERIFY_WITH_TIMEOUT(voice.isSilent() || finished.count() > 0, 4000);
        QCOMPARE(finished.count(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, durationMs + 5000);
        const qint64 took = clock.elapsed();
        QVERIFY2(took >= durationMs - 100 && took < durationMs + 3000,
            qPrintable(u"finished after %1 ms of %2 ms"_s.arg(took).arg(durationMs)));
        QCOMPARE(words.count(), utterance->words.size());
    }
};

QTEST_GUILESS_MAIN(TestVoicePlayback)
#include "test_voiceplayback.moc"
