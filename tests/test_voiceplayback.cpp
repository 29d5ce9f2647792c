#include "support/privatepulse.h"

#include "support/fakeclock.h"
#include "support/troublecount.h"
#include "voice/espeakvoice.h"
#include "voice/pulseoutput.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include "contest/contest.h"
#include "support/loudness.h"

using namespace Qt::StringLiterals;
using namespace Zentovia;
using namespace Zentovia::Testing;

namespace {

// The voice on the real output, its pace on the given clock.
struct Rig
{
    explicit Rig(Clock *clock = nullptr)
    {
        auto owned = std::make_unique<PulseOutput>();
        output = owned.get();
        voice = std::make_unique<EspeakVoice>(std::move(owned), clock);
        TroubleCount::watch(*voice);
    }
    std::shared_ptr<const Utterance> prepared(const QString &text)
    {
        voice->prepare(text);
        return QTest::qWaitFor([&] { return voice->isPrepared(text); }, 10000)
            ? voice->preparedUtterance(text)
            : nullptr;
    }

    PulseOutput *output = nullptr;
    std::unique_ptr<EspeakVoice> voice;
};

qsizetype wordsDue(const Utterance &utterance, qint64 usecs)
{
    return std::count_if(utterance.words.begin(), utterance.words.end(),
        [&](const SpokenWord &word) { return utterance.usecsAt(word.sample) <= usecs; });
}

} // namespace

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
        // Before anything in this process looks for a sound server.
        qputenv("PULSE_SERVER", m_pulse.server().toUtf8());
    }
    void init() { TroubleCount::reset(); }

    void isHeard_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("stopAfterMs"); // -1: to its end
        QTest::newRow("the instructions' start") << Contest::Instructions << 2000;
        QTest::newRow("a multiplier, whole") << u"sette"_s << -1;
    }
    // The recording holds as much voice as has been played; the words came
    // as it was played; the sound ends at once on stop(), and finished()
    // comes once all of it has been heard.
    void isHeard()
    {
        QFETCH(QString, text);
        QFETCH(int, stopAfterMs);
        Rig rig;
        QSignalSpy finished(rig.voice.get(), &Voice::finished);
        QSignalSpy words(rig.voice.get(), &Voice::wordReached);
        const auto utterance = rig.prepared(text);
        QVERIFY(utterance);
        const int durationMs = int(utterance->durationUSecs() / 1000);

        Recording recording(m_pulse.server(), PrivatePulse::monitor(), utterance->sampleRate);
        QString why;
        QVERIFY2(recording.start(&why), qPrintable(why));
        QTest::qWait(100);
        QElapsedTimer clock;
        qint64 finishedAfterMs = -1;
        connect(
            rig.voice.get(), &Voice::finished, this, [&] { finishedAfterMs = clock.elapsed(); });
        clock.start();
        rig.voice->say(text);
        qint64 played = utterance->durationUSecs();
        if (stopAfterMs >= 0) {
            QTest::qWait(stopAfterMs);
            played = rig.output->playedUSecs();
            QVERIFY2(played > (stopAfterMs - 150) * 1000LL && played <= stopAfterMs * 1000LL,
                qPrintable(u"%1 us played after %2 ms"_s.arg(played).arg(stopAfterMs)));
            QVERIFY(words.count() >= wordsDue(*utterance, played - 20000));
            QVERIFY(words.count() <= wordsDue(*utterance, played));
            rig.voice->stop();
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, durationMs + 3000);
            QVERIFY2(finishedAfterMs >= durationMs - 10 && finishedAfterMs < durationMs + 300,
                qPrintable(
                    u"finished after %1 ms of %2 ms"_s.arg(finishedAfterMs).arg(durationMs)));
            QCOMPARE(words.count(), utterance->words.size());
        }
        QTest::qWait(200);
        const QByteArray heard = recording.finish();
        QCOMPARE(TroubleCount::count(), 0);

        const double said = loudSeconds(
            utterance->pcm.left(utterance->format().bytesFor(played)), utterance->sampleRate);
        const double heardSeconds = loudSeconds(heard, utterance->sampleRate);
        qInfo("%.2f s played, %.2f s of voice; heard %.2f s of voice", double(played) / 1e6, said,
            heardSeconds);
        QVERIFY2(heardSeconds >= 0.9 * said - 0.05 && heardSeconds <= said + 0.08,
            qPrintable(u"heard %1 s of voice, said %2 s"_s.arg(heardSeconds).arg(said)));
    }

    void serverTrouble_data()
    {
        QTest::addColumn<bool>("hangs"); // or dies
        QTest::addColumn<int>("noticedWithinMs");
        QTest::newRow("server dies") << false << 500;
        QTest::newRow("server hangs") << true << 4000;
    }
    // The server dies, or stops answering, in the middle: the voice goes on
    // in silence from where the sound was, says so once, and tries the
    // server again at each say(): silent while it is away, heard once back.
    void serverTrouble()
    {
        QFETCH(bool, hangs);
        QFETCH(int, noticedWithinMs);
        FakeClock pace;
        Rig rig(&pace);
        QSignalSpy finished(rig.voice.get(), &Voice::finished);
        QSignalSpy words(rig.voice.get(), &Voice::wordReached);
        const auto utterance = rig.prepared(Contest::Instructions);
        QVERIFY(utterance);

        rig.voice->say(Contest::Instructions);
        QVERIFY(QTest::qWaitFor([&] { return rig.output->playedUSecs() >= 500000; }, 3000));
        hangs ? m_pulse.freeze(true) : m_pulse.kill();
        QTRY_VERIFY_WITH_TIMEOUT(rig.voice->isSilent(), noticedWithinMs);
        const qint64 played = rig.output->playedUSecs();
        QVERIFY2(played >= 500000 && played < 1000000, qPrintable(QString::number(played)));
        const qint64 lostAt = pace.now();
        QVERIFY(pace.advanceUntil([&] { return finished.count() == 1; }, 30000));
        const qint64 rest = (pace.now() - lostAt) * 1000;
        QVERIFY2(rest >= utterance->durationUSecs() - played - 20000
                && rest <= utterance->durationUSecs() - played + 10000,
            qPrintable(u"%1 us after %2 of %3 us"_s.arg(rest).arg(played).arg(
                utterance->durationUSecs())));
        QCOMPARE(words.count(), utterance->words.size());

        rig.prepared(u"per"_s);
        rig.voice->say(u"per"_s);
        QTRY_VERIFY(rig.voice->isSilent());
        QVERIFY(pace.advanceUntil([&] { return finished.count() == 2; }, 30000));
        QCOMPARE(TroubleCount::count(), 1);

        QString why;
        if (hangs)
            m_pulse.freeze(false);
        else
            QVERIFY2(m_pulse.start(&why), qPrintable(why));
        QVERIFY(QTest::qWaitFor(
            [&] {
                rig.voice->say(u"per"_s);
                return QTest::qWaitFor([&] { return rig.output->playedUSecs() > 0; }, 300);
            },
            3000));
        QVERIFY(!rig.voice->isSilent());
        QTRY_COMPARE(finished.count(), 3);
    }
};

QTEST_GUILESS_MAIN(TestVoicePlayback)
#include "test_voiceplayback.moc"
