// The character control: the request queue on a fake clock, the character
// file loader, the window's geometry, the silent voice and the start-up
// sequence of the window (the wizard introduces the game) against the real control.
#include "core/datapath.h"
#include "core/failure.h"
#include "app/tavola.h"
#include "character/balloon.h"
#include "character/characterfile.h"
#include "character/clock.h"
#include "character/desktopagent.h"
#include "character/desktopcharacter.h"
#include "character/figurewindow.h"
#include "character/pacedvoice.h"

#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace Zentovia;

namespace {

QString merlinPath()
{
    return dataPath(DesktopAgent::merlinKey());
}

QString merlinText()
{
    QFile f(merlinPath());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

QString failureOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const Failure &failure) {
        return failure.message();
    }
    return {};
}

// One agent with Merlin loaded, on a fake clock.
struct Stage
{
    FakeClock clock;
    std::unique_ptr<DesktopAgent> agent;
    DesktopCharacter *merlin = nullptr;
    QList<quint64> done;
    QList<qint64> doneAt;

    Stage()
    {
        agent = std::make_unique<DesktopAgent>(nullptr, clock);
        agent->Load(QStringLiteral("Merlin"), DesktopAgent::merlinKey());
        merlin = &agent->desktopItem(QStringLiteral("Merlin"));
        QObject::connect(merlin, &Character::requestDone, merlin, [this](quint64 id) {
            done.append(id);
            doneAt.append(clock.now());
        });
    }
    bool runUntilDone(int count, qint64 limitMs = 120000)
    {
        return clock.advanceUntil([&] { return done.size() >= count; }, limitMs);
    }
};

} // namespace

class TestCharacter : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY2(QFile::exists(merlinPath()), qPrintable(merlinPath())); }

    // ---- the silent voice ----

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
        const int instructions = PacedVoice::timing(Tavola::Instructions).totalMs;
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

    // ---- the loader ----

    void loadsMerlin()
    {
        const auto file = CharacterFile::load(merlinPath());
        QCOMPARE(file->name(), QStringLiteral("Merlin"));
        QVERIFY(file->aspect() > 0.5 && file->aspect() < 1.5);
        QVERIFY(file->mouthLevels() >= 2);
        for (const QString &name : CharacterFile::requiredAnimations()) {
            const auto *a = file->animation(name);
            QVERIFY2(a, qPrintable(name));
            for (const auto &frame : a->frames)
                QVERIFY(frame.ms >= CharacterFile::kMinFrameMs); // at most 30 frames a second
        }
        // The named animations of the contest last about one to two seconds.
        for (const char *name : { "Announce", "Greet", "congratulate", "domagic1", "domagic2" }) {
            const int ms = file->animation(QString::fromLatin1(name))->totalMs();
            QVERIFY2(ms >= 900 && ms <= 2200,
                qPrintable(QStringLiteral("%1: %2 ms").arg(QLatin1String(name)).arg(ms)));
        }
        // Poses really differ: a blink is not the rest pose.
        const QImage rest = file->render(file->restPose(), 0, QSize(96, 100));
        const QImage blink = file->render(QStringLiteral("blink"), 0, QSize(96, 100));
        QVERIFY(rest != blink);
        QVERIFY(rest.pixelColor(0, 0).alpha() == 0); // transparent around the figure
        QVERIFY(rest.pixelColor(48, 60).alpha() == 255);
        QVERIFY(rest != file->render(file->restPose(), 2, QSize(96, 100)));
    }

    void loaderErrors_data()
    {
        QTest::addColumn<QString>("change"); // what is done to a copy of the good file
        QTest::addColumn<QString>("fault"); // what the message must say

        QTest::newRow("missing") << "missing"
                                 << "il file non esiste";
        QTest::newRow("not xml") << "notxml"
                                 << "non è un documento XML ben formato (riga";
        QTest::newRow("truncated") << "truncated"
                                   << "non è un documento XML ben formato";
        QTest::newRow("not svg") << "notsvg"
                                 << "non è un disegno SVG";
        QTest::newRow("no script") << "noscript"
                                   << "manca lo script delle animazioni";
        QTest::newRow("bad json") << "badjson"
                                  << "non è JSON valido";
        QTest::newRow("missing animation") << "nodomagic2"
                                           << "manca l'animazione \"domagic2\"";
        QTest::newRow("missing part") << "nopart"
                                      << "usa la parte \"pupils\", che non c'è nel disegno";
        QTest::newRow("missing pose") << "nopose"
                                      << "usa la posa \"blink\", che non c'è";
        QTest::newRow("too fast") << "fastframe"
                                  << "ha un fotogramma di 10 ms";
    }

    void loaderErrors()
    {
        QFETCH(QString, change);
        QFETCH(QString, fault);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("broken.svg"));
        QString text = merlinText();
        QVERIFY(!text.isEmpty());
        if (change == u"notxml")
            text = QStringLiteral("this is not <xml at all");
        else if (change == u"truncated")
            text.truncate(text.size() / 2);
        else if (change == u"notsvg")
            text = QStringLiteral("<html xmlns=\"http://www.w3.org/1999/xhtml\"><body/></html>");
        else if (change == u"noscript")
            text.replace(QRegularExpression(QStringLiteral("<zc:character>.*</zc:character>"),
                             QRegularExpression::DotMatchesEverythingOption),
                QString());
        else if (change == u"badjson")
            text.replace(QStringLiteral("\"animations\""), QStringLiteral("\"animations\" ::"));
        else if (change == u"nodomagic2")
            text.replace(QStringLiteral("\"domagic2\""), QStringLiteral("\"domagicX\""));
        else if (change == u"nopart")
            text.replace(QStringLiteral("id=\"pupils\""), QStringLiteral("id=\"pupilz\""));
        else if (change == u"nopose")
            text.replace(QStringLiteral("\"blink\": {"), QStringLiteral("\"blinq\": {"));
        else if (change == u"fastframe")
            text.replace(QRegularExpression(QStringLiteral("\"blink\",\\s*130")),
                QStringLiteral("\"blink\", 10"));
        if (change != u"missing") {
            QVERIFY(text != merlinText());
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text.toUtf8());
        }
        const QString message = failureOf([&] { CharacterFile::load(path); });
        QVERIFY2(message.contains(path), qPrintable(message)); // names the file
        QVERIFY2(message.contains(fault), qPrintable(message)); // and the fault
        // The agent reports the same, and keeps no character.
        DesktopAgent agent;
        const QString viaAgent = failureOf([&] { agent.Load(QStringLiteral("Merlin"), path); });
        QCOMPARE(viaAgent, message);
        QVERIFY(!failureOf([&] { agent.Item(QStringLiteral("Merlin")); }).isEmpty());
    }

    // ---- the agent ----

    void agentKeysAndIds()
    {
        FakeClock clock;
        DesktopAgent agent(nullptr, clock);
        agent.Load(
            QStringLiteral("Merlin"), DesktopAgent::merlinKey()); // relative: under dataDir()
        agent.Load(QStringLiteral("Other"), merlinPath()); // absolute
        QCOMPARE(&agent.Item(QStringLiteral("merlin")), &agent.Item(QStringLiteral("Merlin")));
        QVERIFY(&agent.Item(QStringLiteral("Other")) != &agent.Item(QStringLiteral("Merlin")));
        const QString unknown = failureOf([&] { agent.Item(QStringLiteral("Genie")); });
        QVERIFY2(unknown.contains(QStringLiteral("\"Genie\"")), qPrintable(unknown));
        const QString twice
            = failureOf([&] { agent.Load(QStringLiteral("MERLIN"), DesktopAgent::merlinKey()); });
        QVERIFY2(twice.contains(QStringLiteral("già caricato")), qPrintable(twice));
        QCOMPARE(DesktopAgent::resolve(QStringLiteral("/abs/x.svg")), QStringLiteral("/abs/x.svg"));
        QCOMPARE(DesktopAgent::resolve(QStringLiteral("merlin/merlin.svg")),
            QDir::cleanPath(dataDir() + QStringLiteral("/merlin/merlin.svg")));
    }

    // ---- the queue ----

    void queueRunsInOrderOneAtATime()
    {
        Stage s;
        const auto *file = &s.merlin->file();
        const Request show = s.merlin->Show();
        const Request move = s.merlin->MoveTo(250, 175);
        const Request play = s.merlin->Play(QStringLiteral("Greet"));
        const Request speak = s.merlin->Speak(QStringLiteral("cinque per sette"));
        const Request play2 = s.merlin->Play(QStringLiteral("domagic1"));
        // Nothing is carried out while the caller is still calling.
        QVERIFY(s.done.isEmpty());
        QVERIFY(!s.merlin->isBusy());
        QCOMPARE(s.merlin->queued(), 5);
        QVERIFY(
            show.id < move.id && move.id < play.id && play.id < speak.id && speak.id < play2.id);

        QVERIFY(s.runUntilDone(5));
        QCOMPARE(s.done, (QList<quint64> { show.id, move.id, play.id, speak.id, play2.id }));
        // One at a time: each takes its own time after the one before.
        const int greet = file->animation(QStringLiteral("greet"))->totalMs();
        const int magic = file->animation(QStringLiteral("DOMAGIC1"))->totalMs();
        const int speech = PacedVoice::timing(QStringLiteral("cinque per sette")).totalMs;
        QVERIFY(s.doneAt[0] >= file->animation(QStringLiteral("Show"))->totalMs());
        QVERIFY(s.doneAt[2] - s.doneAt[1] >= greet);
        QVERIFY(s.doneAt[3] - s.doneAt[2] >= speech);
        QVERIFY(s.doneAt[4] - s.doneAt[3] >= magic);
        QVERIFY(s.doneAt[4] - s.doneAt[3] < magic + 200);
        QVERIFY(!s.merlin->isBusy());
        QCOMPARE(s.merlin->queued(), 0);
    }

    void heightIsImmediate()
    {
        Stage s;
        s.merlin->Show();
        s.merlin->Play(QStringLiteral("congratulate"));
        s.clock.advance(200); // in the middle of the appearance
        QVERIFY(s.merlin->isBusy());
        s.merlin->setHeight(300);
        QCOMPARE(s.merlin->height(), 300);
        QCOMPARE(s.merlin->window()->height(), 300);
        QCOMPARE(s.merlin->window()->width(), qRound(300 * s.merlin->file().aspect()));
        s.merlin->setHeight(205);
        QCOMPARE(s.merlin->window()->size(), QSize(qRound(205 * s.merlin->file().aspect()), 205));
        QCOMPARE(s.merlin->queued(), 1); // the height did not join the queue
        QVERIFY(s.done.isEmpty());
    }

    void droppedHandlesDoNoHarm()
    {
        Stage s;
        // Every request's handle is dropped at once.
        s.merlin->Show();
        s.merlin->MoveTo(10, 20);
        s.merlin->Play(QStringLiteral("Blink"));
        s.merlin->Speak(QStringLiteral("ciao"));
        QVERIFY(s.runUntilDone(4));
        QCOMPARE(s.done.size(), 4);
        for (int i = 1; i < s.done.size(); ++i)
            QVERIFY(s.done.at(i) > s.done.at(i - 1));
        QCOMPARE(s.merlin->window()->pos(), QPoint(10, 20));
    }

    void animationNamesIgnoreCase()
    {
        Stage s;
        for (const char *name : { "Announce", "ANNOUNCE", "greet", "Greet", "Congratulate",
                 "congratulate", "DoMagic1", "domagic2", "DOMAGIC2" })
            s.merlin->Play(QString::fromLatin1(name));
        QCOMPARE(s.merlin->queued(), 9);
        const QString message = failureOf([&] { s.merlin->Play(QStringLiteral("dance")); });
        QVERIFY2(message.contains(QStringLiteral("\"dance\"")), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("\"Merlin\"")), qPrintable(message));
        QCOMPARE(s.merlin->queued(), 9); // the unknown name queued nothing
        QVERIFY(s.runUntilDone(9));
    }

    // ---- the window ----

    void windowKind()
    {
        Stage s;
        const Qt::WindowFlags flags = s.merlin->window()->windowFlags();
        QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
        QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool); // no task bar entry
        QVERIFY(s.merlin->window()->testAttribute(Qt::WA_TranslucentBackground));
        QVERIFY(s.merlin->window()->testAttribute(Qt::WA_ShowWithoutActivating));
        QVERIFY(!s.merlin->window()->isVisible());
    }

    void moveToGlides()
    {
        Stage s;
        s.merlin->Show();
        QVERIFY(s.runUntilDone(1));
        const QPoint from = s.merlin->window()->pos();
        const QPoint to(250, 175);
        QVERIFY(from != to);
        s.merlin->MoveTo(to.x(), to.y());
        s.clock.advance(100);
        const QPoint mid = s.merlin->window()->pos();
        QVERIFY2(mid != from && mid != to, "it glides, it does not jump");
        QVERIFY(s.runUntilDone(2, DesktopCharacter::kMaxGlideMs + 100));
        QCOMPARE(s.merlin->window()->pos(), to);
        // Already there: done at once, without frames.
        const qint64 before = s.clock.now();
        s.merlin->MoveTo(to.x(), to.y());
        QVERIFY(s.runUntilDone(3));
        QVERIFY(s.clock.now() - before < DesktopCharacter::kGlideFrameMs);
        // Height keeps the place of the top-left corner.
        s.merlin->setHeight(120);
        QCOMPARE(s.merlin->window()->geometry(),
            QRect(to, QSize(qRound(120 * s.merlin->file().aspect()), 120)));
    }

    void moveWhileHiddenIsInstant()
    {
        Stage s;
        s.merlin->MoveTo(400, 300);
        QVERIFY(s.runUntilDone(1, 1));
        QCOMPARE(s.merlin->window()->pos(), QPoint(400, 300));
        QVERIFY(!s.merlin->window()->isVisible());
    }

    void showBringsBackIntoView()
    {
        Stage s;
        s.merlin->Show();
        QVERIFY(s.runUntilDone(1));
        QVERIFY(s.merlin->isInView());
        // Hidden: it comes back, playing its appearance.
        s.merlin->window()->hide();
        s.merlin->Show();
        s.clock.advance(0);
        QVERIFY(s.merlin->window()->isVisible());
        QVERIFY(s.merlin->pose().startsWith(QStringLiteral("appear")));
        QVERIFY(s.runUntilDone(2));
        QCOMPARE(s.merlin->pose(), QStringLiteral("rest"));
        // Minimized: restored.
        s.merlin->window()->setWindowState(Qt::WindowMinimized);
        s.merlin->Show();
        QVERIFY(s.runUntilDone(3));
        QVERIFY(!(s.merlin->window()->windowState() & Qt::WindowMinimized));
        QVERIFY(s.merlin->isInView());
        // Far off every screen: back on one.
        s.merlin->window()->hide();
        s.merlin->MoveTo(-5000, -5000);
        s.merlin->Show();
        QVERIFY(s.runUntilDone(5));
        QVERIFY(s.merlin->isInView());
        // Already in view: no appearance, done at once.
        const qint64 before = s.clock.now();
        s.merlin->Show();
        QVERIFY(s.runUntilDone(6));
        QCOMPARE(s.clock.now(), before);
    }

    void clickIsReported()
    {
        Stage s;
        QSignalSpy clicked(s.merlin, &Character::clicked);
        s.merlin->Show();
        QVERIFY(s.runUntilDone(1));
        QTest::mouseClick(s.merlin->window(), Qt::LeftButton, {}, QPoint(60, 120));
        QCOMPARE(clicked.size(), 1);
    }

    void framesComeFromCache()
    {
        Stage s;
        const auto &a = s.merlin->frame(QStringLiteral("rest"), 0, 2.0);
        const qint64 key = a.pixmap.cacheKey();
        QCOMPARE(a.pixmap.deviceIndependentSize().toSize(), s.merlin->figureSize());
        QCOMPARE(a.pixmap.size(), s.merlin->figureSize() * 2); // crisp on high-DPI screens
        QCOMPARE(s.merlin->frame(QStringLiteral("rest"), 0, 2.0).pixmap.cacheKey(), key);
        QCOMPARE(s.merlin->cachedFrames(), 1);
        s.merlin->frame(QStringLiteral("blink"), 0, 2.0);
        QCOMPARE(s.merlin->cachedFrames(), 2);
        s.merlin->setHeight(100); // a new height draws anew
        QVERIFY(s.merlin->frame(QStringLiteral("rest"), 0, 2.0).pixmap.cacheKey() != key);
        QCOMPARE(s.merlin->cachedFrames(), 1);
    }

    // ---- speaking ----

    void speakOpensBalloonAndMovesMouth()
    {
        Stage s;
        s.merlin->Show();
        QVERIFY(s.runUntilDone(1));
        const QString text = QStringLiteral("Sei sulla buona strada per diventare cavaliere");
        s.merlin->Speak(text);
        s.clock.advance(1);
        Balloon *balloon = s.merlin->balloon();
        QVERIFY(balloon->isVisible());
        QCOMPARE(balloon->text(), text);
        QCOMPARE(balloon->accessibleName(), text); // for screen readers
        QVERIFY(balloon->font().pixelSize() >= 20); // large letters
        // Words come one after another, the mouth moves.
        bool mouthMoved = false;
        int revealed = -1;
        bool grew = false;
        const int total = PacedVoice::timing(text).totalMs;
        for (int ms = 0; ms < total - 600; ms += 40) {
            s.clock.advance(40);
            mouthMoved = mouthMoved || s.merlin->mouth() > 0;
            if (revealed >= 0 && balloon->revealed() > revealed)
                grew = true;
            revealed = balloon->revealed();
        }
        QVERIFY(mouthMoved);
        QVERIFY(grew);
        QVERIFY(s.runUntilDone(2));
        QCOMPARE(balloon->revealed(), int(text.size()));
        QCOMPARE(s.merlin->mouth(), 0);
        // The balloon closes shortly after.
        s.clock.advance(DesktopCharacter::kBalloonCloseMs + 10);
        QVERIFY(!balloon->isVisible());
    }

    void balloonStaysOnScreen()
    {
        Stage s;
        s.merlin->Show();
        s.merlin->MoveTo(0, 0); // no room above
        s.merlin->Speak(Tavola::Instructions);
        QVERIFY(s.clock.advanceUntil([&] { return s.merlin->balloon()->isVisible(); }, 5000));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(screen.contains(s.merlin->balloon()->geometry()));
        QVERIFY(!s.merlin->balloon()->isAbove());
        QVERIFY(s.merlin->balloon()->pageCount() >= 2); // a long text turns pages
        QVERIFY(s.merlin->balloon()->height() < 260);
        s.merlin->balloon()->hide();
    }

    void balloonLeavesTheQuestionClear()
    {
        // At its place in the contest the wizard talks to his right, below
        // the window's question line and clear of the answer box.
        Stage s;
        s.merlin->Show();
        s.merlin->MoveTo(250, 175);
        s.merlin->setHeight(205);
        s.merlin->Speak(Tavola::Instructions);
        QVERIFY(s.clock.advanceUntil([&] { return s.merlin->balloon()->isVisible(); }, 5000));
        const QRect balloon = s.merlin->balloon()->geometry();
        QVERIFY(!s.merlin->balloon()->isAbove());
        QVERIFY2(balloon.top() > 120, qPrintable(QString::number(balloon.top())));
        QVERIFY2(balloon.left() > 250, qPrintable(QString::number(balloon.left())));
        QVERIFY2(balloon.bottom() < 175 + 205, qPrintable(QString::number(balloon.bottom())));
        s.merlin->balloon()->hide();
    }

    // ---- idle life ----

    void idleLifeIsCalm()
    {
        Stage s;
        s.merlin->Show();
        QVERIFY(s.runUntilDone(1));
        s.clock.resetShortestAsked();
        QSet<QString> poses;
        for (int i = 0; i < 600; ++i) { // a minute of nothing to do
            s.clock.advance(100);
            poses.insert(s.merlin->pose());
        }
        QVERIFY2(poses.contains(QStringLiteral("blink")), "it blinks");
        QVERIFY2(poses.size() >= 3, "and does more than blink");
        const int blink = s.merlin->file().animation(QStringLiteral("Blink"))->frames.first().ms;
        QVERIFY2(s.clock.shortestAsked() >= blink,
            qPrintable(QStringLiteral("a timer of %1 ms").arg(s.clock.shortestAsked())));
        QVERIFY(s.clock.pending() <= 1); // one timer at a time
        // A request interrupts idle life at once.
        s.merlin->Play(QStringLiteral("Greet"));
        s.clock.advance(0);
        QVERIFY(s.merlin->pose().startsWith(QStringLiteral("wave")));
        // Hidden, it does not live: no timers at all.
        QVERIFY(s.runUntilDone(2));
        s.merlin->window()->hide();
        s.clock.advance(10000);
        QCOMPARE(s.clock.pending(), 0);
    }

    // ---- start-up: the wizard introduces the game ----

    void startUpSequence()
    {
        FakeClock clock;
        DesktopAgent agent1(nullptr, clock);
        QList<quint64> done;
        {
            agent1.Load(QStringLiteral("Merlin"), DesktopAgent::merlinKey());
            Character &merlin = agent1.Item(QStringLiteral("Merlin"));
            QObject::connect(
                &merlin, &Character::requestDone, &merlin, [&](quint64 id) { done.append(id); });
            const quint64 show = merlin.Show().id;
            merlin.MoveTo(250, 175);
            merlin.Play(QStringLiteral("Announce"));
            merlin.setHeight(205);
            const quint64 speak = merlin.Speak(Tavola::Instructions).id;
            QCOMPARE(speak, show + 3);
            // The reference is dropped here; start-up goes on without waiting.
        }
        QVERIFY(done.isEmpty());
        DesktopCharacter &merlin = agent1.desktopItem(QStringLiteral("merlin"));
        QCOMPARE(merlin.height(), 205);
        QVERIFY(clock.advanceUntil([&] { return done.size() == 1; }, 5000));
        QVERIFY(merlin.window()->isVisible());
        QVERIFY(clock.advanceUntil([&] { return done.size() == 2; }, 5000));
        QCOMPARE(merlin.window()->geometry(),
            QRect(QPoint(250, 175), QSize(qRound(205 * merlin.file().aspect()), 205)));
        QVERIFY(clock.advanceUntil(
            [&] { return merlin.pose().startsWith(QStringLiteral("announce")); }, 1000));
        QVERIFY(clock.advanceUntil([&] { return done.size() == 3; }, 5000));
        QVERIFY(clock.advanceUntil([&] { return merlin.balloon()->isVisible(); }, 1000));
        QCOMPARE(merlin.balloon()->text(), Tavola::Instructions);
        QVERIFY(clock.advanceUntil([&] { return done.size() == 4; }, 60000));
        QCOMPARE(done, (QList<quint64> { 1, 2, 3, 4 }));
        QVERIFY(merlin.isInView());
    }
};

QTEST_MAIN(TestCharacter)
#include "test_character.moc"
