#include "character/audiooutput.h"
#include "character/espeakvoice.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace Zentovia;

namespace {

const QString Instructions
    = u"Allora attenzione, iniziamo la nostra avventura con la tabellina "
      u"del 5. Io detto e tu scrivi il risultato nello spazio sotto di me."_s;

// A sound card the test drives by hand: it reports the progress the test
// sets, and ends, or goes away, when the test says so.
class FakeOutput : public AudioOutput
{
public:
    bool start(const QByteArray &pcm, const PcmFormat &format) override
    {
        ++starts;
        if (refuse)
            return false;
        played = 0;
        bytes = pcm.size();
        rate = format.sampleRate;
        playing = true;
        return true;
    }
    qint64 playedUSecs() const override { return played; }
    void stop() override { playing = false; }
    QString errorString() const override { return u"scheda audio finta spenta"_s; }

    void finish()
    {
        playing = false;
        Q_EMIT drained();
    }
    void unplug()
    {
        playing = false;
        Q_EMIT lost(u"scheda audio finta staccata"_s);
    }

    int starts = 0;
    bool refuse = false;
    bool playing = false;
    qint64 played = 0;
    qint64 bytes = 0;
    int rate = 0;
};

// Counts the voice's complaints on stderr.
int g_troubles = 0;
QtMessageHandler g_previousHandler = nullptr;
void countTroubles(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(u"parla senza suono"_s))
        ++g_troubles;
    g_previousHandler(type, context, message);
}

struct Heard
{
    int position;
    int length;
    qint64 atUSecs; // the fake's progress, or the clock, when the word came
};

} // namespace

class TestEspeakVoice : public QObject
{
    Q_OBJECT

private:
    static void waitPrepared(EspeakVoice &voice, const QString &text)
    {
        voice.prepare(text);
        QTRY_VERIFY(voice.isPrepared(text));
    }

private Q_SLOTS:
    void initTestCase()
    {
        // No sound server for this process: the real output finds nothing.
        qputenv("PULSE_SERVER", "unix:/nonexistent/zentovia-test/native");
        g_previousHandler = qInstallMessageHandler(countTroubles);
    }
    void init() { g_troubles = 0; }

    void followsPlayback_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("sette") << u"sette"_s;
        QTest::newRow("name with emoji") << u"Andrè 😀 Zoë"_s;
        QTest::newRow("instructions") << Instructions;
    }
    // Words come when the sound reaches them, the mouth follows the loudness
    // of what is heard, and finished() waits until the output has played
    // everything, not merely until the samples have been handed over.
    void followsPlayback()
    {
        QFETCH(QString, text);
        auto owned = std::make_unique<FakeOutput>();
        FakeOutput *output = owned.get();
        EspeakVoice voice(std::move(owned));
        waitPrepared(voice, text);
        const Utterance expected = *voice.preparedUtterance(text);
        QList<Heard> heard;
        QList<qreal> mouth;
        connect(&voice, &Voice::wordReached, this, [&](int position, int length) {
            heard.append({ position, length, output->played });
        });
        connect(&voice, &Voice::mouthOpened, this, [&](qreal open) { mouth.append(open); });
        QSignalSpy finished(&voice, &Voice::finished);

        voice.say(text);
        QVERIFY(output->playing);
        QCOMPARE(output->bytes, expected.pcm.size());
        QCOMPARE(output->rate, expected.sampleRate);

        const qint64 step = 20000;
        QCOMPARE(mouth.back(), expected.loudnessAt(0)); // said at once
        qreal widest = 0;
        for (qint64 at = step; at <= expected.durationUSecs(); at += step) {
            output->played = at;
            mouth.clear();
            // Each step is a new stretch of sound: the mouth follows it, and
            // exactly the words that have been reached are out.
            QTRY_VERIFY(!mouth.isEmpty());
            QCOMPARE(mouth.back(), expected.loudnessAt(at));
            widest = std::max(widest, mouth.back());
            const auto due = std::count_if(expected.words.begin(), expected.words.end(),
                [&](const SpokenWord &word) { return expected.usecsAt(word.sample) <= at; });
            QCOMPARE(heard.size(), due);
        }
        output->played = expected.durationUSecs();
        QTest::qWait(30);
        QCOMPARE(finished.count(), 0);
        QVERIFY(widest > 0.5);

        output->finish();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(mouth.back(), 0.0);
        QCOMPARE(heard.size(), expected.words.size());
        for (qsizetype i = 0; i < heard.size(); ++i) {
            const SpokenWord &word = expected.words.at(i);
            QCOMPARE(heard.at(i).position, word.position);
            QCOMPARE(heard.at(i).length, word.length);
            const qint64 due = expected.usecsAt(word.sample);
            QVERIFY2(heard.at(i).atUSecs >= due && heard.at(i).atUSecs < due + step,
                qPrintable(u"word %1 due at %2 us, came at %3 us"_s.arg(i).arg(due).arg(
                    heard.at(i).atUSecs)));
        }
    }

    void silentTiming_data()
    {
        QTest::addColumn<bool>("unplugHalfway");
        QTest::newRow("no device") << false;
        QTest::newRow("device lost halfway") << true;
    }
    // Without a device, or when it goes away, the words, the mouth and the
    // end keep the timing of the sound; the trouble is said once, and the
    // device is tried again at the next say().
    void silentTiming()
    {
        QFETCH(bool, unplugHalfway);
        auto owned = std::make_unique<FakeOutput>();
        FakeOutput *output = owned.get();
        output->refuse = !unplugHalfway;
        EspeakVoice voice(std::move(owned));
        waitPrepared(voice, Instructions);
        const Utterance expected = *voice.preparedUtterance(Instructions);
        QElapsedTimer clock;
        QList<Heard> heard;
        connect(&voice, &Voice::wordReached, this, [&](int position, int length) {
            heard.append({ position, length, clock.nsecsElapsed() / 1000 });
        });
        QSignalSpy finished(&voice, &Voice::finished);

        clock.start();
        voice.say(Instructions);
        const qint64 half = expected.durationUSecs() / 2;
        if (unplugHalfway) {
            // The fake keeps the pace of a real card until it is unplugged.
            while (clock.nsecsElapsed() / 1000 < half) {
                output->played = clock.nsecsElapsed() / 1000;
                QTest::qWait(5);
            }
            QVERIFY(!voice.isSilent());
            output->unplug();
        }
        QVERIFY(voice.isSilent());
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, int(expected.durationUSecs() / 1000) + 2000);
        const qint64 took = clock.nsecsElapsed() / 1000;
        QVERIFY2(took >= expected.durationUSecs() && took < expected.durationUSecs() + 400000,
            qPrintable(u"%1 us for %2 us of sound"_s.arg(took).arg(expected.durationUSecs())));
        QCOMPARE(heard.size(), expected.words.size());
        for (qsizetype i = 0; i < heard.size(); ++i) {
            QCOMPARE(heard.at(i).position, expected.words.at(i).position);
            const qint64 due = expected.usecsAt(expected.words.at(i).sample);
            QVERIFY2(heard.at(i).atUSecs >= due - 5000 && heard.at(i).atUSecs < due + 150000,
                qPrintable(u"word %1 due at %2 us, came at %3 us"_s.arg(i).arg(due).arg(
                    heard.at(i).atUSecs)));
        }
        QCOMPARE(g_troubles, 1);

        // The next say() tries the device again; still missing: no new complaint.
        output->refuse = true;
        const int starts = output->starts;
        waitPrepared(voice, u"per"_s);
        voice.say(u"per"_s);
        QCOMPARE(output->starts, starts + 1);
        QVERIFY(voice.isSilent());
        QTRY_COMPARE(finished.count(), 2);
        QCOMPARE(g_troubles, 1);

        // Back again: it plays; lost once more, it is said once more.
        output->refuse = false;
        voice.say(u"per"_s);
        QVERIFY(!voice.isSilent());
        QVERIFY(output->playing);
        output->unplug();
        QVERIFY(voice.isSilent());
        QCOMPARE(g_troubles, 2);
        QTRY_COMPARE(finished.count(), 3);
    }

    // stop() ends the utterance without finished(); say() while speaking
    // first ends what was being said.
    void stopAndInterrupt()
    {
        auto owned = std::make_unique<FakeOutput>();
        FakeOutput *output = owned.get();
        EspeakVoice voice(std::move(owned));
        QSignalSpy finished(&voice, &Voice::finished);
        QSignalSpy words(&voice, &Voice::wordReached);
        waitPrepared(voice, Instructions);
        waitPrepared(voice, u"sette"_s);

        voice.say(Instructions);
        QVERIFY(output->playing);
        voice.stop();
        QVERIFY(!output->playing);
        output->played = 5000000;
        QTest::qWait(50);
        QCOMPARE(words.count(), 1); // only the first word, said at once
        QCOMPARE(finished.count(), 0);

        voice.say(Instructions);
        voice.say(u"sette"_s);
        QCOMPARE(output->starts, 3);
        output->played = 2000000;
        output->finish();
        QCOMPARE(finished.count(), 1);
    }

    // With the real output and no sound server anywhere, the voice speaks in
    // silence, in the time the sound would take, and nothing stalls.
    void noSoundServer()
    {
        EspeakVoice voice;
        QSignalSpy finished(&voice, &Voice::finished);
        waitPrepared(voice, u"trentacinque"_s);
        const qint64 duration = voice.preparedUtterance(u"trentacinque"_s)->durationUSecs();
        QElapsedTimer clock;
        clock.start();
        voice.say(u"trentacinque"_s);
        QVERIFY(clock.elapsed() < 200);
        QVERIFY(voice.isSilent());
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(clock.nsecsElapsed() / 1000 >= duration);
        QCOMPARE(g_troubles, 1);
    }

    void unprepared_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("words");
        QTest::newRow("question") << u"sette"_s << 1;
        QTest::newRow("blank name") << u"   "_s << 1; // shown whole, nothing heard
    }
    // A text that was not prepared is made when asked for, then played; a
    // text with nothing to hear still ends with finished().
    void unprepared()
    {
        QFETCH(QString, text);
        QFETCH(int, words);
        auto owned = std::make_unique<FakeOutput>();
        FakeOutput *output = owned.get();
        EspeakVoice voice(std::move(owned));
        QSignalSpy finished(&voice, &Voice::finished);
        QSignalSpy reached(&voice, &Voice::wordReached);
        voice.say(text);
        if (!text.trimmed().isEmpty()) {
            QTRY_VERIFY(output->playing);
            output->played = output->bytes * 1000000 / 2 / output->rate;
            output->finish();
        }
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(reached.count(), words);
    }
};

QTEST_GUILESS_MAIN(TestEspeakVoice)
#include "test_espeakvoice.moc"
