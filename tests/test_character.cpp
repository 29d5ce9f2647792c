// The character control: the request queue on a fake clock, the character
// file loader, the figure and balloon inside their window, and the start-up
// sequence of the window (the wizard introduces the game)
// against the real control.
#include "app/stagelayout.h"
#include "app/tavola.h"
#include "app/wizard.h"
#include "contest/contest.h"
#include "core/datapath.h"
#include "core/failure.h"
#include "figure/characterfile.h"
#include "figure/framecache.h"
#include "stage/balloon.h"
#include "stage/figurelayer.h"
#include "stage/stageagent.h"
#include "stage/stagecharacter.h"
#include "support/fakeclock.h"
#include "voice/pacedvoice.h"
#include "voice/wordspan.h"

#include <QAccessible>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace Zentovia;

namespace {

QString merlinPath()
{
    return dataPath(wizardCast().key);
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

// A voice that says nothing by itself: the test reports its words.
class ScriptedVoice : public Voice
{
public:
    void prepare(const QString &) override { }
    void say(const QString &) override { }
    void stop() override { }
};

// A window of its own, with Merlin loaded into it, on a fake clock.
struct Rig
{
    FakeClock clock;
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    std::unique_ptr<StageAgent> agent;
    StageCharacter *merlin = nullptr;
    Voice *voice = nullptr;
    QList<quint64> done;
    QList<qint64> doneAt;

    explicit Rig(std::unique_ptr<Voice> ownVoice = nullptr, QSize size = QSize(800, 600))
    {
        window->resize(size);
        window->show();
        agent = std::make_unique<StageAgent>(std::move(ownVoice), clock);
        agent->setStage(window.get());
        agent->Load(QStringLiteral("Merlin"), wizardCast().key);
        merlin = &agent->stageItem(QStringLiteral("Merlin"));
        voice = &agent->voice();
        QObject::connect(merlin, &Character::requestDone, merlin, [this](quint64 id) {
            done.append(id);
            doneAt.append(clock.now());
        });
    }
    bool runUntilDone(int count, qint64 limitMs = 120000)
    {
        return clock.advanceUntil([&] { return done.size() >= count; }, limitMs);
    }
    bool balloonOpen(qint64 limitMs = 5000)
    {
        return clock.advanceUntil([&] { return merlin->balloon()->isVisible(); }, limitMs);
    }
    QRect figure() const { return merlin->layer()->geometry(); }
};

// Every accessible name under an interface.
QStringList accessibleNames(QAccessibleInterface *node)
{
    QStringList names;
    if (!node)
        return names;
    names << node->text(QAccessible::Name);
    for (int i = 0; i < node->childCount(); ++i)
        names << accessibleNames(node->child(i));
    return names;
}

} // namespace

class TestCharacter : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY2(QFile::exists(merlinPath()), qPrintable(merlinPath())); }

    // A new question drops the words still to come, each reported done.
    void stopDropsWhatIsLeft()
    {
        Rig rig;
        rig.merlin->Show();
        for (const char *words : { "Esatto", "35", "Sei forte" })
            rig.merlin->Speak(QString::fromLatin1(words));
        QVERIFY(rig.runUntilDone(1));
        QVERIFY(rig.balloonOpen());
        rig.merlin->Stop();
        QCOMPARE(rig.done.size(), 4);
        QVERIFY(!rig.merlin->isBusy() && rig.merlin->queued() == 0);
        QVERIFY(!rig.merlin->balloon()->isVisible());
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

    void scrollShowsTheTable_data()
    {
        QTest::addColumn<int>("table");
        QTest::newRow("the 5") << 5;
        QTest::newRow("the 7") << 7;
        QTest::newRow("the 10") << 10;
    }
    void scrollShowsTheTable()
    {
        QFETCH(int, table);
        const auto file = CharacterFile::load(merlinPath(), wizardTexts(QString::number(table)));
        const QString shown = QString::number(table) + QStringLiteral("</tspan> × ?");
        QVERIFY(QString::fromUtf8(file->poseSvg(QStringLiteral("announce-2"), 0)).contains(shown));
        // The scroll is drawn with that table: unlike the 5's, but for the 5.
        const auto five = CharacterFile::load(merlinPath());
        const QSize size(240, 250);
        QCOMPARE(file->render(QStringLiteral("announce-2"), 0, size)
                == five->render(QStringLiteral("announce-2"), 0, size),
            table == 5);
    }

    void viewBoxSeparators_data()
    {
        QTest::addColumn<QString>("viewBox");
        QTest::newRow("commas") << "0,0,240,250";
        QTest::newRow("blanks, a comma and a new line") << " 0 0 ,\n 240\t250 ";
    }
    void viewBoxSeparators()
    {
        QFETCH(QString, viewBox);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("merlin.svg"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(merlinText()
                    .replace(QStringLiteral("viewBox=\"0 0 240 250\""),
                        QStringLiteral("viewBox=\"%1\"").arg(viewBox))
                    .toUtf8());
        f.close();
        QCOMPARE(CharacterFile::load(path)->size(), QSizeF(240, 250));
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
        QTest::newRow("viewBox of three numbers") << "shortbox"
                                                  << "non ha un viewBox valido";
        QTest::newRow("a mouth of one part") << "onemouth"
                                             << "la bocca ha bisogno di almeno due parti";
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
        else if (change == u"shortbox")
            text.replace(QStringLiteral("viewBox=\"0 0 240 250\""),
                QStringLiteral("viewBox=\" 0,0 ,\n240 \""));
        else if (change == u"onemouth")
            text.replace(
                QRegularExpression(QStringLiteral("\"mouth-0\",\\s*\"mouth-1\",\\s*\"mouth-2\"")),
                QStringLiteral("\"mouth-0\""));
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
        QWidget window;
        StageAgent agent;
        agent.setStage(&window);
        const QString viaAgent = failureOf([&] { agent.Load(QStringLiteral("Merlin"), path); });
        QCOMPARE(viaAgent, message);
        QVERIFY(!failureOf([&] { agent.Item(QStringLiteral("Merlin")); }).isEmpty());
    }

    // ---- the agent ----

    void agentKeysAndIds()
    {
        FakeClock clock;
        QWidget window;
        StageAgent agent(nullptr, clock);
        const QString noStage
            = failureOf([&] { agent.Load(QStringLiteral("Merlin"), wizardCast().key); });
        QVERIFY2(noStage.contains(QStringLiteral("finestra")), qPrintable(noStage));
        agent.setStage(&window);
        agent.Load(QStringLiteral("Merlin"), wizardCast().key); // relative: under dataDir()
        agent.Load(QStringLiteral("Other"), merlinPath()); // absolute
        QCOMPARE(&agent.Item(QStringLiteral("merlin")), &agent.Item(QStringLiteral("Merlin")));
        QVERIFY(&agent.Item(QStringLiteral("Other")) != &agent.Item(QStringLiteral("Merlin")));
        const QString unknown = failureOf([&] { agent.Item(QStringLiteral("Genie")); });
        QVERIFY2(unknown.contains(QStringLiteral("\"Genie\"")), qPrintable(unknown));
        const QString twice
            = failureOf([&] { agent.Load(QStringLiteral("MERLIN"), wizardCast().key); });
        QVERIFY2(twice.contains(QStringLiteral("già caricato")), qPrintable(twice));
        QCOMPARE(StageAgent::resolve(QStringLiteral("/abs/x.svg")), QStringLiteral("/abs/x.svg"));
        QCOMPARE(StageAgent::resolve(QStringLiteral("merlin/merlin.svg")),
            QDir::cleanPath(dataDir() + QStringLiteral("/merlin/merlin.svg")));
    }

    // ---- the queue ----

    void queueRunsInOrderOneAtATime()
    {
        Rig s;
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
        // A spoken text holds about a third of a second before the next
        // request: the child hears one sentence end before the next begins.
        QVERIFY(s.doneAt[3] - s.doneAt[2] >= speech + 250);
        QVERIFY(s.doneAt[3] - s.doneAt[2] < speech + 600);
        QVERIFY(s.doneAt[4] - s.doneAt[3] >= magic);
        QVERIFY(s.doneAt[4] - s.doneAt[3] < magic + 200);
        QVERIFY(!s.merlin->isBusy());
        QCOMPARE(s.merlin->queued(), 0);
    }

    void heightIsImmediate()
    {
        Rig s;
        s.merlin->Show();
        s.merlin->Play(QStringLiteral("congratulate"));
        s.clock.advance(200); // in the middle of the appearance
        QVERIFY(s.merlin->isBusy());
        s.merlin->setHeight(300);
        QCOMPARE(s.merlin->height(), 300);
        QCOMPARE(s.figure().size(), QSize(qRound(300 * s.merlin->file().aspect()), 300));
        s.merlin->setHeight(205);
        QCOMPARE(s.figure().size(), QSize(qRound(205 * s.merlin->file().aspect()), 205));
        QCOMPARE(s.merlin->queued(), 1); // the height did not join the queue
        QVERIFY(s.done.isEmpty());
    }

    void droppedHandlesDoNoHarm()
    {
        Rig s;
        // Every request's handle is dropped at once.
        s.merlin->Show();
        s.merlin->MoveTo(10, 20);
        s.merlin->Play(QStringLiteral("Blink"));
        s.merlin->Speak(QStringLiteral("ciao"));
        QVERIFY(s.runUntilDone(4));
        QCOMPARE(s.done.size(), 4);
        for (int i = 1; i < s.done.size(); ++i)
            QVERIFY(s.done.at(i) > s.done.at(i - 1));
        QCOMPARE(s.figure().topLeft(), QPoint(10, 20));
    }

    void animationNamesIgnoreCase()
    {
        Rig s;
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

    // ---- in the window ----

    void neverTakesTheKeyboard_data()
    {
        QTest::addColumn<QString>("request");
        for (const char *request : { "Show", "MoveTo", "Play", "Speak", "click" })
            QTest::newRow(request) << QString::fromLatin1(request);
    }

    void neverTakesTheKeyboard()
    {
        QFETCH(QString, request);
        Rig s;
        auto *answer = new QLineEdit(s.window.get());
        answer->setGeometry(200, 400, 300, 60);
        answer->show();
        answer->setFocus();
        s.merlin->Show();
        QVERIFY(s.runUntilDone(1));
        if (request == u"MoveTo")
            s.merlin->MoveTo(220, 200);
        else if (request == u"Play")
            s.merlin->Play(QStringLiteral("domagic1"));
        else if (request == u"Speak")
            s.merlin->Speak(QStringLiteral("cinque per sette"));
        else if (request == u"Show")
            s.merlin->Show();
        else
            QTest::mouseClick(s.window->windowHandle(), Qt::LeftButton, {}, s.figure().center());
        s.clock.advance(400); // in the middle of it
        // Keys typed into the window go to the answer box, also while he moves.
        QTest::keyClick(s.window->windowHandle(), Qt::Key_3, {}, '3');
        QVERIFY(s.runUntilDone(request == u"click" ? 1 : 2));
        QTest::keyClick(s.window->windowHandle(), Qt::Key_5, {}, '5');
        QCOMPARE(answer->text(), QStringLiteral("35"));
        QCOMPARE(s.window->focusWidget(), answer);
        // Figure and balloon are parts of the window, not windows.
        for (const QWidget *part : { static_cast<QWidget *>(s.merlin->layer()),
                 s.merlin->layer()->hitArea(), static_cast<QWidget *>(s.merlin->balloon()) }) {
            QCOMPARE(part->parentWidget(), s.window.get());
            QVERIFY(!part->isWindow());
            QCOMPARE(part->focusPolicy(), Qt::NoFocus);
        }
    }

    void clicksOnTheFigureOnly_data()
    {
        QTest::addColumn<QPointF>("where"); // a fraction of the figure's rectangle
        QTest::addColumn<bool>("onFigure");
        QTest::newRow("his robe") << QPointF(0.45, 0.75) << true;
        QTest::newRow("his face") << QPointF(0.5, 0.45) << true;
        QTest::newRow("empty top-left corner") << QPointF(0.04, 0.04) << false;
        QTest::newRow("empty bottom-right corner") << QPointF(0.97, 0.97) << false;
    }

    void clicksOnTheFigureOnly()
    {
        QFETCH(QPointF, where);
        QFETCH(bool, onFigure);
        Rig s;
        // A button lies under the whole figure.
        auto *button = new QPushButton(QStringLiteral("sotto"), s.window.get());
        button->setGeometry(100, 100, 300, 300);
        button->show();
        s.merlin->MoveTo(120, 120);
        s.merlin->Show();
        QVERIFY(s.runUntilDone(2));
        QSignalSpy clicked(s.merlin, &Character::clicked);
        QSignalSpy pressed(button, &QPushButton::clicked);
        const QRect f = s.figure();
        const QPoint at
            = f.topLeft() + QPoint(qRound(where.x() * f.width()), qRound(where.y() * f.height()));
        QTest::mouseClick(s.window->windowHandle(), Qt::LeftButton, {}, at);
        QCOMPARE(clicked.size(), onFigure ? 1 : 0);
        QCOMPARE(pressed.size(), onFigure ? 0 : 1);
    }

    void staysAboveTheControls_data()
    {
        QTest::addColumn<bool>("raiseControl"); // the control is raised after it is made
        QTest::addColumn<bool>("showAgain"); // then the character is asked to Show
        QTest::newRow("a control made later") << false << false;
        QTest::newRow("a control raised, then Show") << true << true;
    }

    void staysAboveTheControls()
    {
        QFETCH(bool, raiseControl);
        QFETCH(bool, showAgain);
        Rig s;
        s.merlin->MoveTo(100, 100);
        s.merlin->Show();
        QVERIFY(s.runUntilDone(2));
        s.merlin->Speak(QStringLiteral("Sei grande"));
        QVERIFY(s.balloonOpen());
        auto *label = new QLabel(QStringLiteral("sopra?"), s.window.get());
        label->setGeometry(s.window->rect());
        label->show();
        if (raiseControl)
            label->raise();
        if (showAgain) {
            s.merlin->Show();
            QVERIFY(s.runUntilDone(3));
        }
        QCOMPARE(s.window->childAt(s.figure().center()), s.merlin->layer()->hitArea());
        const QObjectList order = s.window->children();
        QVERIFY(order.indexOf(label) < order.indexOf(s.merlin->layer()));
        QVERIFY(order.indexOf(label) < order.indexOf(s.merlin->balloon()));
    }

    void screenReadersFindHimAndHisWords()
    {
        Rig s;
        s.merlin->Show();
        const QString text = QStringLiteral("Sei sulla buona strada per diventare cavaliere");
        s.merlin->Speak(text);
        QVERIFY(s.balloonOpen(10000));
        const QStringList names
            = accessibleNames(QAccessible::queryAccessibleInterface(s.window.get()));
        QVERIFY2(names.contains(QStringLiteral("Merlin")), qPrintable(names.join(u'|')));
        QVERIFY2(names.contains(text), qPrintable(names.join(u'|')));
    }

    void moveToGlides()
    {
        Rig s;
        s.merlin->Show();
        QVERIFY(s.runUntilDone(1));
        const QPoint from = s.figure().topLeft();
        const QPoint to(250, 175);
        QVERIFY(from != to);
        s.merlin->MoveTo(to.x(), to.y());
        s.clock.advance(100);
        const QPoint mid = s.figure().topLeft();
        QVERIFY2(mid != from && mid != to, "it glides, it does not jump");
        QVERIFY(s.runUntilDone(2, StageCharacter::kMaxGlideMs + 100));
        QCOMPARE(s.figure().topLeft(), to);
        // Already there: done at once, without frames.
        const qint64 before = s.clock.now();
        s.merlin->MoveTo(to.x(), to.y());
        QVERIFY(s.runUntilDone(3));
        QVERIFY(s.clock.now() - before < StageCharacter::kGlideFrameMs);
        // Height keeps the place of the top-left corner.
        s.merlin->setHeight(120);
        QCOMPARE(s.figure(), QRect(to, QSize(qRound(120 * s.merlin->file().aspect()), 120)));
    }

    void moveWhileHiddenIsInstant()
    {
        Rig s;
        s.merlin->MoveTo(400, 300);
        QVERIFY(s.runUntilDone(1, 1));
        QCOMPARE(s.figure().topLeft(), QPoint(400, 300));
        QVERIFY(!s.merlin->layer()->isVisible());
    }

    void showBringsBackIntoTheWindow()
    {
        Rig s;
        s.merlin->Show();
        QVERIFY(s.runUntilDone(1));
        QVERIFY(s.merlin->isInView());
        QVERIFY(s.window->rect().contains(s.figure()));
        // Hidden: it comes back, playing its appearance.
        s.merlin->layer()->hide();
        s.merlin->Show();
        s.clock.advance(0);
        QVERIFY(s.merlin->layer()->isVisible());
        QVERIFY(s.merlin->pose().startsWith(QStringLiteral("appear")));
        QVERIFY(s.runUntilDone(2));
        QCOMPARE(s.merlin->pose(), QStringLiteral("rest"));
        // Out of the window: back inside it.
        s.merlin->layer()->hide();
        s.merlin->MoveTo(-5000, -5000);
        s.merlin->Show();
        QVERIFY(s.runUntilDone(4));
        QVERIFY(s.window->rect().contains(s.figure()));
        // Already in view: no appearance, done at once.
        const qint64 before = s.clock.now();
        s.merlin->Show();
        QVERIFY(s.runUntilDone(5));
        QCOMPARE(s.clock.now(), before);
        // The window minimized: he stays with it, and it stays minimized.
        s.window->showMinimized();
        s.merlin->Show();
        QVERIFY(s.runUntilDone(6));
        QVERIFY(s.window->isMinimized());
        QVERIFY(!s.merlin->isInView());
    }

    void windowClosedWhileSpeaking()
    {
        Rig s;
        s.merlin->Show();
        s.merlin->Speak(Contest::Instructions);
        s.merlin->Play(QStringLiteral("Greet"));
        QVERIFY(s.balloonOpen());
        s.window.reset();
        QVERIFY(!s.merlin->layer());
        s.clock.advance(60000);
        QCOMPARE(s.clock.pending(), 0);
        s.merlin->Speak(QStringLiteral("ciao")); // asked after: nothing happens
        s.clock.advance(10000);
        QCOMPARE(s.clock.pending(), 0);
    }

    void framesComeFromCache()
    {
        Rig s;
        const QPixmap &a = s.merlin->frame(QStringLiteral("rest"), 0, 2.0);
        const qint64 key = a.cacheKey();
        QCOMPARE(a.deviceIndependentSize().toSize(), s.merlin->figureSize());
        QCOMPARE(a.size(), s.merlin->figureSize() * 2); // crisp on high-DPI screens
        QCOMPARE(s.merlin->frame(QStringLiteral("rest"), 0, 2.0).cacheKey(), key);
        QCOMPARE(s.merlin->cachedFrames(), 1);
        s.merlin->frame(QStringLiteral("blink"), 0, 2.0);
        QCOMPARE(s.merlin->cachedFrames(), 2);
        s.merlin->setHeight(100); // a new height draws anew
        QVERIFY(s.merlin->frame(QStringLiteral("rest"), 0, 2.0).cacheKey() != key);
        QCOMPARE(s.merlin->cachedFrames(), 1);
    }

    void frameCacheKeepsTheLastFramesUsed()
    {
        Rig s;
        const QImage rest = s.merlin->frame(QStringLiteral("rest"), 1, 1.0).toImage();
        // Every pose of every animation with every mouth: far more than kept.
        int asked = 0;
        qint64 lastKey = 0;
        QString lastPose;
        for (const QString &name : s.merlin->file().animationNames())
            for (const auto &frame : s.merlin->file().animation(name)->frames)
                for (int mouth = 0; mouth < s.merlin->file().mouthLevels(); ++mouth, ++asked) {
                    lastKey = s.merlin->frame(frame.pose, mouth, 1.0).cacheKey();
                    lastPose = frame.pose;
                }
        QVERIFY(asked > 2 * FrameCache::kMaxFrames);
        QCOMPARE(s.merlin->cachedFrames(), FrameCache::kMaxFrames);
        // The last one asked is kept; the first, dropped, comes back the same.
        const int lastMouth = s.merlin->file().mouthLevels() - 1;
        QCOMPARE(s.merlin->frame(lastPose, lastMouth, 1.0).cacheKey(), lastKey);
        QCOMPARE(s.merlin->frame(QStringLiteral("rest"), 1, 1.0).toImage(), rest);
    }

    void frameCacheDropsTheLeastRecent()
    {
        FrameCache cache(CharacterFile::load(merlinPath()));
        const QSize size(60, 62);
        const auto key = [&](int mouth, const QString &pose = QStringLiteral("rest")) {
            return cache.frame(pose, mouth, size, 1.0).cacheKey();
        };
        static_assert(FrameCache::kMaxFrames == 4);
        const qint64 a = key(0), b = key(1);
        key(2);
        key(0, QStringLiteral("blink"));
        QCOMPARE(key(0), a); // A used again: B is now the least recent
        key(1, QStringLiteral("blink"));
        QCOMPARE(key(0), a);
        QVERIFY(key(1) != b);
    }

    // ---- speaking ----

    void voiceThatNeverFinishesCannotStallTheQueue()
    {
        Rig s(std::make_unique<ScriptedVoice>());
        s.merlin->Speak(QStringLiteral("cinque per sette"));
        const Request next = s.merlin->Play(QStringLiteral("Greet"));
        QVERIFY(s.runUntilDone(2, 60000));
        QCOMPARE(s.done.last(), next.id);
    }

    void speakOpensBalloonAndMovesMouth()
    {
        Rig s;
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
        s.clock.advance(StageCharacter::kBalloonCloseMs + 10);
        QVERIFY(!balloon->isVisible());
    }

    void balloonKeepsPaceWithTheVoice_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("word"); // the word the voice reaches
        QTest::addColumn<QString>("shown"); // empty: on a later page
        const QString question = QStringLiteral("cinque per sette");
        QTest::newRow("first word") << question << 0 << QStringLiteral("cinque");
        QTest::newRow("middle word") << question << 1 << QStringLiteral("cinque per");
        QTest::newRow("last word") << question << 2 << question;
        QTest::newRow("a word on a later page") << Contest::Instructions << 30 << QString();
    }

    void balloonKeepsPaceWithTheVoice()
    {
        QFETCH(QString, text);
        QFETCH(int, word);
        QFETCH(QString, shown);
        Rig s(std::make_unique<ScriptedVoice>());
        s.merlin->Show();
        s.merlin->Speak(text);
        QVERIFY(s.balloonOpen());
        const WordSpan reached = wordSpans(text).at(word);
        Q_EMIT s.voice->wordReached(reached.start, reached.end - reached.start);
        // From the moment its sound starts the whole word is shown, and no
        // word after it.
        const Balloon *balloon = s.merlin->balloon();
        const QString said = text.mid(reached.start, reached.end - reached.start);
        QVERIFY2(balloon->shownText().endsWith(said), qPrintable(balloon->shownText()));
        if (shown.isEmpty())
            QVERIFY(balloon->page() > 0);
        else
            QCOMPARE(balloon->shownText(), shown);
    }

    void balloonStaysInTheWindow_data()
    {
        QTest::addColumn<QPoint>("place"); // the figure's top-left corner
        QTest::addColumn<QList<QRect>>("keepClear");
        QTest::addColumn<int>("side"); // Balloon::Side
        QTest::addColumn<int>("lines"); // lines a page
        const int right = int(Balloon::Side::Right), above = int(Balloon::Side::Above);
        const int left = int(Balloon::Side::Left);
        QTest::newRow("room on his right") << QPoint(100, 200) << QList<QRect> {} << right << 3;
        QTest::newRow("at the right edge") << QPoint(600, 300) << QList<QRect> {} << above << 3;
        QTest::newRow("in the top right corner") << QPoint(600, 0) << QList<QRect> {} << left << 3;
        // The verdict's place, right of him and just above his mouth, and
        // the answer box below: two lines fit between them.
        QTest::newRow("between the verdict and the answer box")
            << QPoint(250, 175) << QList<QRect> { { 424, 155, 300, 86 }, { 208, 355, 457, 75 } }
            << right << 2;
        QTest::newRow("only a narrow strip on his right")
            << QPoint(250, 175) << QList<QRect> { { 0, 0, 800, 250 }, { 0, 330, 800, 270 } }
            << right << 1;
        QTest::newRow("right and above kept clear")
            << QPoint(300, 200) << QList<QRect> { { 440, 0, 360, 600 }, { 0, 0, 800, 210 } } << left
            << 3;
    }

    void balloonStaysInTheWindow()
    {
        QFETCH(QPoint, place);
        QFETCH(QList<QRect>, keepClear);
        QFETCH(int, side);
        QFETCH(int, lines);
        Rig s;
        QList<QWidget *> controls;
        for (const QRect &rect : keepClear) {
            controls << new QLabel(s.window.get());
            controls.last()->setGeometry(rect);
        }
        s.agent->setKeepClear(controls);
        s.merlin->MoveTo(place.x(), place.y());
        s.merlin->Show();
        s.merlin->Speak(Contest::Instructions);
        QVERIFY(s.balloonOpen());
        const Balloon *balloon = s.merlin->balloon();
        QVERIFY(s.window->rect().contains(balloon->geometry()));
        for (const QRect &rect : keepClear)
            QVERIFY2(!balloon->geometry().intersects(rect),
                qPrintable(QStringLiteral("%1,%2 %3x%4")
                               .arg(balloon->x())
                               .arg(balloon->y())
                               .arg(balloon->width())
                               .arg(balloon->height())));
        QCOMPARE(int(balloon->side()), side);
        QCOMPARE(balloon->linesPerPage(), lines);
        QVERIFY(balloon->pageCount() >= 2); // a long text turns pages
        // He changes size in a smaller window: the balloon is placed anew.
        s.window->resize(s.window->width(), balloon->geometry().bottom() - 10);
        s.merlin->setHeight(200);
        QVERIFY(s.window->rect().contains(balloon->geometry()));
    }

    void balloonLeavesTheContestInView_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("verdict");
        QTest::newRow("instructions") << Contest::Instructions << QString();
        QTest::newRow("praise") << QStringLiteral(
            "Ti nomino cavaliere della tabellina, il massimo ordine per un eroe")
                                << QStringLiteral("Esatto. Sei forte!!!");
        QTest::newRow("correction")
            << QStringLiteral("Sbagliato") << QStringLiteral("Sbagliato!! 35");
    }

    void balloonLeavesTheContestInView()
    {
        // The real window, the wizard at his place over the answer box.
        QFETCH(QString, text);
        QFETCH(QString, verdict);
        struct Form : TavolaForm
        {
            using TavolaForm::buildControls;
            using TavolaForm::m_verdict;
            using TavolaForm::setCaption;
        } form;
        form.buildControls();
        form.show();
        form.setCaption(form.m_verdict, verdict);
        FakeClock clock;
        StageAgent agent(nullptr, clock);
        agent.setStage(&form);
        agent.setKeepClear(balloonKeepClear(form));
        agent.Load(QStringLiteral("Merlin"), wizardCast().key);
        StageCharacter &merlin = agent.stageItem(QStringLiteral("Merlin"));
        merlin.Show();
        merlin.MoveTo(250, 175);
        merlin.setHeight(205);
        merlin.Speak(text);
        QVERIFY(clock.advanceUntil([&] { return merlin.balloon()->isVisible(); }, 5000));
        const QRect balloon = merlin.balloon()->geometry();
        QVERIFY(form.rect().contains(balloon));
        QCOMPARE(merlin.balloon()->side(), Balloon::Side::Right);
        for (const char *name :
            { "Label6", "lblScore", "Label1", "lblScore1", "Label3", "lblScore2", "lblNum1",
                "Label10", "lblNum2", "lblMessage", "Label11", "lblconto", "Text3" }) {
            const auto *control = form.findChild<QWidget *>(QString::fromLatin1(name));
            QVERIFY2(control, name);
            const QRect at(control->mapTo(&form, QPoint(0, 0)), control->size());
            QVERIFY2(!balloon.intersects(at), name);
        }
    }

    // ---- idle life ----

    void idleLifeIsCalm()
    {
        Rig s;
        // The pauses and the moves come from the clock's draws: a blink after
        // 2.5 s, a deep breath 3 s later, then a look around.
        s.clock.draws = { 2500, 0, 3000, 6, 4000, 9 };
        s.merlin->Show();
        QVERIFY(s.runUntilDone(1));
        s.clock.advance(2499);
        QVERIFY(!s.merlin->isIdleMoving());
        s.clock.advance(1);
        QVERIFY(s.merlin->isIdleMoving());
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
        // In a minimized window it does not live: no timers at all...
        QVERIFY(s.runUntilDone(2));
        s.window->showMinimized();
        s.clock.advance(10000);
        QCOMPARE(s.clock.pending(), 0);
        // ...until the window comes back.
        s.window->showNormal();
        QVERIFY(s.clock.advanceUntil([&] { return s.merlin->isIdleMoving(); }, 10000));
    }

    // ---- start-up: the wizard introduces the game ----

    void startUpSequence()
    {
        FakeClock clock;
        QWidget window;
        window.resize(800, 600);
        window.show();
        StageAgent agent(nullptr, clock);
        agent.setStage(&window);
        QList<quint64> done;
        {
            agent.Load(QStringLiteral("Merlin"), wizardCast().key);
            Character &merlin = agent.Item(QStringLiteral("Merlin"));
            QObject::connect(
                &merlin, &Character::requestDone, &merlin, [&](quint64 id) { done.append(id); });
            const quint64 show = merlin.Show().id;
            merlin.MoveTo(250, 175);
            merlin.Play(QStringLiteral("Announce"));
            merlin.setHeight(205);
            const quint64 speak = merlin.Speak(Contest::Instructions).id;
            QCOMPARE(speak, show + 3);
            // The reference is dropped here; start-up goes on without waiting.
        }
        QVERIFY(done.isEmpty());
        StageCharacter &merlin = agent.stageItem(QStringLiteral("merlin"));
        QCOMPARE(merlin.height(), 205);
        QVERIFY(clock.advanceUntil([&] { return done.size() == 1; }, 5000));
        QVERIFY(merlin.layer()->isVisible());
        QVERIFY(clock.advanceUntil([&] { return done.size() == 2; }, 5000));
        QCOMPARE(merlin.layer()->geometry(),
            QRect(QPoint(250, 175), QSize(qRound(205 * merlin.file().aspect()), 205)));
        QVERIFY(clock.advanceUntil(
            [&] { return merlin.pose().startsWith(QStringLiteral("announce")); }, 1000));
        QVERIFY(clock.advanceUntil([&] { return done.size() == 3; }, 5000));
        QVERIFY(clock.advanceUntil([&] { return merlin.balloon()->isVisible(); }, 1000));
        QCOMPARE(merlin.balloon()->text(), Contest::Instructions);
        QVERIFY(clock.advanceUntil([&] { return done.size() == 4; }, 60000));
        QCOMPARE(done, (QList<quint64> { 1, 2, 3, 4 }));
        QVERIFY(merlin.isInView());
    }
};

QTEST_MAIN(TestCharacter)
#include "test_character.moc"
