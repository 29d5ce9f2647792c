// Start-up: the child's name, the greeting, the clock, the record files and
// the wizard's introduction; and the window as it first appears.

#include "app/surface.h"
#include "support/tavolatest.h"

#include <QAccessible>
#include <QSignalSpy>

#include <QDir>
#include <QFileInfo>
#include <QTimer>

using namespace Zentovia;
using namespace Zentovia::Testing;

Q_DECLARE_METATYPE(Zentovia::Role)

class TestStartup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void names_data();
    void names();
    void firstRunCreatesEmptyRecord();
    void controlsBuiltWhileTheNameBoxIsOpen();
    void storedRecordShownWithLineEnd();
    void clockArmedThenShownAtActivation();
    void wizardIntroducesThenAsks();
    void unwritableRecordPlaceFails();
    void characterThatCannotLoadFails();
    void controls_data();
    void controls();
    void captionAndLimits();
};

void TestStartup::names_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("greeting");
    QTest::addColumn<QString>("player");

    const QString phrase = QStringLiteral(" vediamo se sei un vero campione  ");
    QTest::newRow("name") << "Luca" << (u" Luca" + phrase) << "Luca";
    QTest::newRow("cancel or empty") << "" << (u" " + phrase) << "Amico";
    QTest::newRow("three blanks stay") << "   " << (u"    " + phrase) << "   ";
    QTest::newRow("blank inside and accent")
        << "Niccolò Rossi" << (u" Niccolò Rossi" + phrase) << "Niccolò Rossi";
    QTest::newRow("not trimmed") << " Ada " << (u"  Ada " + phrase) << " Ada ";
}

void TestStartup::names()
{
    QFETCH(QString, typed);
    QFETCH(QString, greeting);
    QFETCH(QString, player);

    TavolaRig rig;
    rig.dialogs.names << typed;
    rig.tavola->load();

    QCOMPARE(rig.dialogs.prompts, QStringList { QStringLiteral("Come ti chiami?") });
    QCOMPARE(rig.dialogs.messages, QStringList { greeting });
    QCOMPARE(rig.text(Role::Player), player);
    QCOMPARE(rig.text(Role::PlayerField), player);
}

void TestStartup::firstRunCreatesEmptyRecord()
{
    TavolaRig rig;
    QVERIFY(!QFileInfo::exists(rig.recordDir()));
    rig.start();

    QCOMPARE(rig.bytes(rig.pointsFile()), QByteArray());
    QCOMPARE(rig.bytes(rig.nameFile()), QByteArray());
    QCOMPARE(rig.text(Role::RecordPoints), QString());
    QCOMPARE(rig.text(Role::RecordHolder), QString());
    QCOMPARE(rig.contest().recordDir(), rig.recordDir() + u'/');
}

void TestStartup::storedRecordShownWithLineEnd()
{
    TavolaRig rig;
    QVERIFY(QDir().mkpath(rig.recordDir()));
    rig.write(rig.pointsFile(), "12\r\n");
    rig.write(rig.nameFile(), "Anna Maria\r\n");
    rig.start(QStringLiteral("Bruno"));

    QCOMPARE(rig.text(Role::RecordPoints), QStringLiteral("12\r\n"));
    QCOMPARE(rig.text(Role::RecordHolder), QStringLiteral("Anna Maria\r\n"));
    // Reading does not touch the files.
    QCOMPARE(rig.bytes(rig.pointsFile()), QByteArray("12\r\n"));
    // The name label grows to the name; the line end takes no room.
    QVERIFY(rig.control(Role::RecordHolder)->width()
        >= rig.control(Role::RecordHolder)
               ->fontMetrics()
               .horizontalAdvance(QStringLiteral("Anna Maria")));
}

void TestStartup::clockArmedThenShownAtActivation()
{
    TavolaRig rig;
    rig.dialogs.names << QStringLiteral("Ada");
    rig.tavola->load();
    QCOMPARE(rig.text(Role::Clock), QStringLiteral("00:00:00"));
    auto *timer = rig.control<QTimer>(Role::Ticker);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 1000);
    const Countdown &clock = rig.contest().countdown();
    QCOMPARE(clock.hours(), 0);
    QCOMPARE(clock.minutes(), 7);
    QCOMPARE(clock.seconds(), 0.0f);
    QCOMPARE(clock.secondsLeft(), 420);
    QVERIFY(!rig.shown(Role::Factor));

    // A tick before the window is first shown is not handled.
    rig.contest().tick();
    QCOMPARE(rig.text(Role::Clock), QStringLiteral("00:00:00"));
    QVERIFY(!rig.exitStatus);

    rig.tavola->show();
    QCOMPARE(rig.text(Role::Clock), QStringLiteral("00.07.00"));
    QCOMPARE(rig.contest().correctCount(), 0);
    QCOMPARE(rig.contest().wrongCount(), 0);
    QCOMPARE(clock.secondsLeft(), 420);
    // A second show does not ask again.
    rig.tavola->hide();
    const int reseeds = rig.random.reseeds;
    rig.tavola->show();
    QCOMPARE(rig.random.reseeds, reseeds);
}

void TestStartup::wizardIntroducesThenAsks()
{
    TavolaRig rig;
    rig.random.nextQuestion(7);
    rig.start();

    QCOMPARE(rig.agent.loads, QStringList { QStringLiteral("Merlin merlin/merlin.svg") });
    const QStringList expected {
        QStringLiteral("Show"),
        QStringLiteral("MoveTo 250,175"),
        QStringLiteral("Play Announce"),
        QStringLiteral("Height 205"),
        u"Speak " + rig.contest().instructions(),
        // The first question, when the window shows.
        QStringLiteral("Show"),
        QStringLiteral("MoveTo 250,175"),
        QStringLiteral("Play Greet"),
        QStringLiteral("Height 205"),
        QStringLiteral("Speak 5"),
        QStringLiteral("Speak per"),
        QStringLiteral("Speak sette"),
    };
    QCOMPARE(rig.agent.merlin().requests, expected);
    const QString instructions = rig.contest().instructions();
    QVERIFY(instructions.startsWith(QStringLiteral("Allora attenzione, iniziamo")));
    QVERIFY(instructions.contains(QStringLiteral("con la tabellina del 5. Io detto")));
    QVERIFY(instructions.endsWith(QStringLiteral("per avere la domanda successiva")));
}

void TestStartup::unwritableRecordPlaceFails()
{
    TavolaRig rig;
    // The data folder is a plain file: nothing can be made inside it.
    const QString blocked = rig.home.filePath(QStringLiteral("blocked"));
    rig.write(blocked, "x");
    qputenv("XDG_DATA_HOME", blocked.toLocal8Bit());
    rig.dialogs.names << QStringLiteral("Ada");
    try {
        rig.tavola->load();
        QFAIL("start-up went on without a record folder");
    } catch (const Failure &failure) {
        QVERIFY2(failure.message().contains(blocked), qPrintable(failure.message()));
    }
    QVERIFY(rig.agent.loads.isEmpty());
}

void TestStartup::characterThatCannotLoadFails()
{
    TavolaRig rig;
    rig.agent.failLoad = true;
    rig.dialogs.names << QStringLiteral("Ada");
    QVERIFY_THROWS_EXCEPTION(Failure, rig.tavola->load());
    // The record was read before the character was asked for.
    QVERIFY(QFileInfo::exists(rig.pointsFile()));
}

void TestStartup::controls_data()
{
    QTest::addColumn<Role>("role");
    QTest::addColumn<QString>("name"); // the form's name, for screen readers
    QTest::addColumn<QRect>("place");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("shown");

    // Places in pixels, from the window's twips at 15 to a pixel.
    auto row = [](Role role, const char *name, QRect place, const char *text, bool shown) {
        QTest::newRow(name) << role << QString::fromLatin1(name) << place << QString::fromUtf8(text)
                            << shown;
    };
    row(Role::CorrectCaption, "Label6", QRect(24, 16, 175, 37), "Risposte esatte", true);
    row(Role::CorrectCount, "lblScore", QRect(96, 56, 21, 36), "0", true);
    row(Role::WrongCount, "lblScore1", QRect(104, 144, 20, 36), "0", true);
    row(Role::TotalCount, "lblScore2", QRect(104, 240, 21, 36), "0", true);
    row(Role::Verdict, "lblMessage", QRect(424, 136, 87, 85), "", true);
    row(Role::Clock, "lblconto", QRect(624, 80, 105, 25), "00.07.00", true);
    row(Role::AnswerBox, "Text3", QRect(208, 336, 457, 75), "", true);
    row(Role::NextButton, "cmdNext", QRect(208, 424, 121, 57), "&Nuovo calcolo", true);
    row(Role::ExitButton, "cmdExit1", QRect(544, 424, 121, 57), "E&xit", true);
    row(Role::Player, "lblnome1", QRect(), "Anna", true);
    row(Role::RecordCaption, "Label12", QRect(8, 512, 153, 25), "Il record  è di ", true);
    row(Role::PointsCaption, "Label13", QRect(400, 512, 97, 29), "con punti", true);
    row(Role::Times, "Label10", QRect(376, 8, 41, 65), "X", false);
    row(Role::Multiplier, "lblNum2", QRect(), "1", false);
    row(Role::MultiplierWords, "Text6", QRect(), "uno", false);
    row(Role::ProductField, "Text7", QRect(), "5", false);
    row(Role::PlayerField, "Txtnome1", QRect(), "Anna", false);
    row(Role::CheckButton, "Command3", QRect(), "verifica", false);
}

void TestStartup::controls()
{
    QFETCH(Role, role);
    QFETCH(QString, name);
    QFETCH(QRect, place);
    QFETCH(QString, text);
    QFETCH(bool, shown);

    TavolaRig rig;
    rig.start();
    if (auto *field = rig.tavola->findChild<HiddenField *>(name)) {
        // Out of reach of a screen reader, and of the accessibility bus.
        QVERIFY(!QAccessible::queryAccessibleInterface(field));
        QCOMPARE(field->text(), text);
        return;
    }
    auto *widget = rig.control<QWidget>(role);
    QCOMPARE(widget->objectName(), name);
    if (place.isValid())
        QCOMPARE(widget->geometry(), place);
    QCOMPARE(widget->isVisibleTo(rig.tavola.get()), shown);
    QString actual;
    if (auto *label = qobject_cast<QLabel *>(widget))
        actual = label->text();
    else if (auto *edit = qobject_cast<QLineEdit *>(widget))
        actual = edit->text();
    else if (auto *button = qobject_cast<QPushButton *>(widget))
        actual = button->text();
    QCOMPARE(actual, text);
}

void TestStartup::captionAndLimits()
{
    TavolaRig rig;
    rig.start();
    const QString caption = rig.tavola->windowTitle();
    QVERIFY(caption.startsWith(QString(83, u' ') + QStringLiteral("ZENTOVIA") + QString(31, u' ')));
    QVERIFY(caption.endsWith(QString(4, u' ')));
    QVERIFY(!caption.endsWith(QString(5, u' ')));
    QCOMPARE(rig.control<QLineEdit>(Role::AnswerBox)->maxLength(), 250);
    QVERIFY(!rig.control<QPushButton>(Role::NextButton)->isEnabled());
    QVERIFY(rig.control<QPushButton>(Role::ExitButton)->isEnabled());
    QCOMPARE(
        rig.control<QPushButton>(Role::ExitButton)->shortcut(), QKeySequence(Qt::ALT | Qt::Key_X));
    QCOMPARE(
        rig.control<QPushButton>(Role::NextButton)->shortcut(), QKeySequence(Qt::ALT | Qt::Key_N));
    QCOMPARE(rig.control(Role::CorrectCount)->toolTip(),
        QStringLiteral("Questo è il tuo punteggio. Forza con il  record"));
    auto *surface = rig.tavola->findChild<Surface *>();
    QVERIFY(surface->width() >= 794 && surface->height() >= 542);
}

// The name box comes first and does not wait for the window's controls: they
// are built from its event loop, and stand ready before the greeting.
void TestStartup::controlsBuiltWhileTheNameBoxIsOpen()
{
    TavolaRig rig;
    QVERIFY(!rig.tavola->hasControls());
    QSignalSpy built(rig.tavola.get(), &Tavola::controlsBuilt);
    rig.dialogs.onInput = [&](const QString &) {
        QVERIFY(!rig.tavola->hasControls());
        QTRY_VERIFY(rig.tavola->hasControls()); // the box's event loop runs
    };
    bool readyAtGreeting = false;
    rig.dialogs.onMessage = [&](const QString &) { readyAtGreeting = rig.tavola->hasControls(); };
    rig.start(QStringLiteral("Ada"));
    QVERIFY(readyAtGreeting);
    QCOMPARE(built.count(), 1);
    QCOMPARE(rig.text(Role::Player), QStringLiteral("Ada"));
}

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
