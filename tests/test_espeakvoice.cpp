#include "support/fakeclock.h"
#include "support/troublecount.h"
#include "voice/audiooutput.h"
#include "voice/espeakvoice.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace Zentovia;
using namespace Zentovia::Testing;

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
    VoiceProblem problem() const override { return { VoiceReason::SoundNotAnswering }; }

    void finish()
    {
        playing = false;
        Q_EMIT drained();
    }
    void unplug()
    {
        playing = false;
        Q_EMIT lost({ VoiceReason::SoundBroke, QString(), { u"scheda audio finta staccata"_s } });
    }

    int starts = 0;
    bool refuse = false;
    bool playing = false;
    qint64 played = 0;
    qint64 bytes = 0;
    int rate = 0;
};

struct Heard
{
    int position;
    int length;
    qint64 atUSecs; // the fake's progress, or the clock, when the word came
};

// A voice on a fake clock and a fake sound card, and what it says.
struct Rig
{
    Rig()
    {
        auto owned = std::make_unique<FakeOutput>();
        output = owned.get();
        voice = std::make_unique<EspeakVoice>(std::move(owned), &clock);
        TroubleCount::watch(*voice);
        QObject::connect(
            voice.get(), &Voice::wordReached, voice.get(), [this](int position, int length) {
                heard.append({ position, length, nowUSecs() });
            });
        QObject::connect(voice.get(), &Voice::mouthOpened, voice.get(),
            [this](qreal open) { mouth.append(open); });
        QObject::connect(voice.get(), &Voice::finished, voice.get(), [this] { ++finished; });
        QObject::connect(
            voice.get(), &Voice::heard, voice.get(), [this] { heardAt.append(nowUSecs()); });
    }
    // The sound of a text, once made.
    Utterance prepared(const QString &text)
    {
        voice->prepare(text);
        if (!QTest::qWaitFor([&] { return voice->isPrepared(text); }, 10000))
            return {};
        return *voice->preparedUtterance(text);
    }
    qint64 nowUSecs() const { return clockDrivesWords ? clock.now() * 1000 : output->played; }

    FakeClock clock;
    FakeOutput *output = nullptr;
    std::unique_ptr<EspeakVoice> voice;
    bool clockDrivesWords = false;
    QList<Heard> heard;
    QList<qreal> mouth;
    QList<qint64> heardAt; // when heard() came
    int finished = 0;
};

} // namespace

class TestEspeakVoice : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // No sound server for this process: the real output finds nothing.
        qputenv("PULSE_SERVER", "unix:/nonexistent/zentovia-test/native");
    }
    void init() { TroubleCount::reset(); }

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
        Rig rig;
        const Utterance expected = rig.prepared(text);
        rig.voice->say(text);
        QVERIFY(rig.output->playing);
        QCOMPARE(rig.output->bytes, expected.pcm.size());
        QCOMPARE(rig.output->rate, expected.sampleRate);

        const qint64 step = 20000;
        QCOMPARE(rig.mouth.back(), expected.loudnessAt(0)); // said at once
        qreal widest = 0;
        for (qint64 at = step; at <= expected.durationUSecs(); at += step) {
            rig.output->played = at;
            rig.mouth.clear();
            rig.clock.advance(step / 1000);
            // Each step is a new stretch of sound: the mouth follows it, and
            // exactly the words that have been reached are out.
            QVERIFY(!rig.mouth.isEmpty());
            QCOMPARE(rig.mouth.back(), expected.loudnessAt(at));
            widest = std::max(widest, rig.mouth.back());
            const auto due = std::count_if(expected.words.begin(), expected.words.end(),
                [&](const SpokenWord &word) { return expected.usecsAt(word.sample) <= at; });
            QCOMPARE(rig.heard.size(), due);
        }
        rig.output->played = expected.durationUSecs();
        rig.clock.advance(1000);
        QCOMPARE(rig.finished, 0);
        QVERIFY(widest > 0.5);

        rig.output->finish();
        QCOMPARE(rig.finished, 1);
        QCOMPARE(rig.mouth.back(), 0.0);
        // heard() once the last sound has been played, before the silence
        // after it.
        const auto *samples = reinterpret_cast<const qint16 *>(expected.pcm.constData());
        qint64 loud = expected.sampleCount();
        while (loud > 0 && std::abs(samples[loud - 1]) < 300)
            --loud;
        QCOMPARE(rig.heardAt.size(), 1);
        QVERIFY2(rig.heardAt.at(0) >= expected.usecsAt(loud)
                && rig.heardAt.at(0) <= expected.durationUSecs() - 200000,
            qPrintable(
                u"%1 us, loud until %2 us"_s.arg(rig.heardAt.at(0)).arg(expected.usecsAt(loud))));
        QCOMPARE(rig.heard.size(), expected.words.size());
        for (qsizetype i = 0; i < rig.heard.size(); ++i) {
            const SpokenWord &word = expected.words.at(i);
            QCOMPARE(rig.heard.at(i).position, word.position);
            QCOMPARE(rig.heard.at(i).length, word.length);
            const qint64 due = expected.usecsAt(word.sample);
            QVERIFY2(rig.heard.at(i).atUSecs >= due && rig.heard.at(i).atUSecs < due + step,
                qPrintable(u"word %1 due at %2 us, came at %3 us"_s.arg(i).arg(due).arg(
                    rig.heard.at(i).atUSecs)));
        }
    }

    void silentTiming_data()
    {
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<int>("lostAtPercent"); // of the sound; -1: never
        QTest::newRow("device refused at start") << true << -1;
        QTest::newRow("device lost before any sound") << false << 0;
        QTest::newRow("device lost halfway") << false << 50;
    }
    // Without a device, or when it goes away, the words, the mouth and the
    // end keep the timing of the sound; the trouble is said once, and the
    // device is tried again at the next say().
    void silentTiming()
    {
        QFETCH(bool, refuse);
        QFETCH(int, lostAtPercent);
        Rig rig;
        rig.clockDrivesWords = true;
        const Utterance expected = rig.prepared(Instructions);
        const qint64 lostAt = expected.durationUSecs() * lostAtPercent / 100;
        rig.output->refuse = refuse;
        rig.voice->say(Instructions);
        // The fake keeps the pace of a real card until it goes away.
        while (rig.output->playing && rig.clock.now() * 1000 < lostAt) {
            rig.clock.advance(1);
            rig.output->played = rig.clock.now() * 1000;
        }
        QCOMPARE(rig.voice->isSilent(), refuse);
        if (rig.output->playing)
            rig.output->unplug();
        QVERIFY(rig.voice->isSilent());
        QVERIFY(rig.clock.advanceUntil([&] { return rig.finished > 0; }, 60000));
        const qint64 took = rig.clock.now() * 1000;
        QVERIFY2(took >= expected.durationUSecs() && took < expected.durationUSecs() + 12000,
            qPrintable(u"%1 us for %2 us of sound"_s.arg(took).arg(expected.durationUSecs())));
        QCOMPARE(rig.heard.size(), expected.words.size());
        for (qsizetype i = 0; i < rig.heard.size(); ++i) {
            QCOMPARE(rig.heard.at(i).position, expected.words.at(i).position);
            const qint64 due = expected.usecsAt(expected.words.at(i).sample);
            QVERIFY2(rig.heard.at(i).atUSecs >= due && rig.heard.at(i).atUSecs < due + 12000,
                qPrintable(u"word %1 due at %2 us, came at %3 us"_s.arg(i).arg(due).arg(
                    rig.heard.at(i).atUSecs)));
        }
        QCOMPARE(rig.mouth.back(), 0.0);
        QVERIFY(*std::max_element(rig.mouth.begin(), rig.mouth.end()) > 0.5);
        QCOMPARE(TroubleCount::count(), 1);

        // The next say() tries the device again; still missing: no new complaint.
        const int starts = rig.output->starts;
        const Utterance per = rig.prepared(u"per"_s);
        rig.voice->say(u"per"_s);
        QCOMPARE(rig.output->starts, starts + 1);
        if (rig.output->playing)
            rig.output->unplug();
        QVERIFY(rig.voice->isSilent());
        QVERIFY(rig.clock.advanceUntil([&] { return rig.finished == 2; }, 60000));
        QCOMPARE(TroubleCount::count(), 1);

        // Back again: it plays; lost once more, it is said once more.
        rig.output->refuse = false;
        rig.voice->say(u"per"_s);
        QVERIFY(!rig.voice->isSilent());
        rig.output->played = per.durationUSecs() / 2;
        rig.clock.advance(20);
        rig.output->unplug();
        QVERIFY(rig.voice->isSilent());
        QCOMPARE(TroubleCount::count(), 2);
        QVERIFY(rig.clock.advanceUntil([&] { return rig.finished == 3; }, 60000));
    }

    // stop() ends the utterance without finished(); say() while speaking
    // first ends what was being said.
    void stopAndInterrupt()
    {
        Rig rig;
        rig.prepared(Instructions);
        rig.prepared(u"sette"_s);

        rig.voice->say(Instructions);
        QVERIFY(rig.output->playing);
        rig.voice->stop();
        QVERIFY(!rig.output->playing);
        rig.output->played = 5000000;
        rig.clock.advance(50);
        QCOMPARE(rig.heard.size(), 1); // only the first word, said at once
        QCOMPARE(rig.finished, 0);

        rig.voice->say(Instructions);
        rig.voice->say(u"sette"_s);
        QCOMPARE(rig.output->starts, 3);
        rig.output->played = 2000000;
        rig.output->finish();
        QCOMPARE(rig.finished, 1);
    }

    // With the real output and no sound server anywhere, the voice speaks in
    // silence, in the time the sound would take, and nothing stalls.
    void noSoundServer()
    {
        FakeClock clock;
        EspeakVoice voice(nullptr, &clock);
        TroubleCount::watch(voice);
        QSignalSpy finished(&voice, &Voice::finished);
        voice.prepare(u"trentacinque"_s);
        QTRY_VERIFY(voice.isPrepared(u"trentacinque"_s));
        const qint64 duration = voice.preparedUtterance(u"trentacinque"_s)->durationUSecs();
        voice.say(u"trentacinque"_s);
        QTRY_VERIFY(voice.isSilent());
        QVERIFY(clock.advanceUntil([&] { return finished.count() > 0; }, 10000));
        QVERIFY(clock.now() * 1000 >= duration);
        QCOMPARE(TroubleCount::count(), 1);
    }

    // Without espeak-ng's voice (as without the library) the wizard speaks
    // in his balloon at a reader's pace: every word, then finished; no sound
    // is tried, and one line says why.
    void noEspeak()
    {
        FakeClock clock;
        auto owned = std::make_unique<FakeOutput>();
        FakeOutput *output = owned.get();
        EspeakSettings missing;
        missing.voice = u"nessuna-voce-zentovia"_s;
        EspeakVoice voice(std::move(owned), &clock, missing);
        TroubleCount::watch(voice);
        QSignalSpy words(&voice, &Voice::wordReached);
        QSignalSpy finished(&voice, &Voice::finished);
        for (const QString &text : { u"cinque per sette"_s, u"trentacinque"_s }) {
            voice.prepare(text);
            voice.say(text);
            QVERIFY(clock.advanceUntil([&] { return !finished.isEmpty(); }, 10000));
            finished.clear();
        }
        QCOMPARE(words.size(), 4);
        QVERIFY(voice.isSilent());
        QCOMPARE(output->starts, 0);
        QCOMPARE(TroubleCount::count(), 1);
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
        Rig rig;
        rig.voice->say(text);
        if (!text.trimmed().isEmpty()) {
            QTRY_VERIFY(rig.output->playing);
            rig.output->played = rig.output->bytes * 1000000 / 2 / rig.output->rate;
            rig.output->finish();
        }
        QTRY_COMPARE(rig.finished, 1);
        QCOMPARE(rig.heard.size(), words);
    }

    // What is kept for saying again stays within its limits, and what was
    // prepared stays ready until it is said.
    void keepsSoundsWithinLimits()
    {
        Rig rig;
        const QStringList words { u"uno"_s, u"due"_s, u"tre"_s, u"quattro"_s, u"cinque"_s, u"sei"_s,
            u"sette"_s, u"otto"_s, u"nove"_s, u"dieci"_s, u"Bravissimo, continua così!"_s,
            u"Ottimo lavoro, sei davvero bravo!"_s, u"No, cinque per sette fa trentacinque."_s };
        const auto saidBytes = [&] {
            qint64 bytes = 0;
            for (const QString &word : words)
                if (const auto kept = rig.voice->preparedUtterance(word))
                    bytes += kept->pcm.size();
            return bytes;
        };
        const QString longText = Instructions + u' ' + Instructions;
        QVERIFY(rig.prepared(longText).pcm.size() > EspeakVoice::KeptBytes); // prepared first
        for (int round = 0; round < 3; ++round) {
            for (const QString &word : words) {
                rig.prepared(word);
                rig.voice->say(word);
                rig.output->finish();
                QVERIFY(rig.voice->isPrepared(word)); // the last one said stays
                QVERIFY(saidBytes() <= EspeakVoice::KeptBytes);
            }
        }
        QVERIFY(saidBytes() > EspeakVoice::KeptBytes / 2); // the limit is used, not wasted
        QVERIFY(rig.voice->isPrepared(longText));
        rig.voice->say(longText);
        QVERIFY(rig.output->playing); // at once: it was ready
        rig.output->finish();
        rig.voice->say(words.first());
        QTRY_VERIFY(rig.output->playing);
        QVERIFY(!rig.voice->isPrepared(longText)); // too long to keep once said
    }
};

QTEST_GUILESS_MAIN(TestEspeakVoice)
#include "test_espeakvoice.moc"
