// The window bound to its contest: what each control shows, where the focus
// goes, the gradient, the clock's timer, the ways out, and the keypad on the
// screen.

#include "app/keypad.h"
#include "app/notebookrecorder.h"
#include "app/surface.h"
#include "app/tavolakeypad.h"
#include "notebook/notebook.h"
#include "notebook/notebookwriter.h"
#include "support/tavolatest.h"

#include <QAccessible>
#include <QInputDevice>
#include <QInputMethodQueryEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>
#include <QTimerEvent>

using namespace Zentovia;
using namespace Zentovia::Testing;
using namespace Qt::StringLiterals;

class TestTavola : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void question();
    void verdict_data();
    void verdict();
    void gradientBands();
    void onlyTypingKeysCount();
    void accessKeysTypeNothing_data();
    void accessKeysTypeNothing();
    void nextDisabledUntilFirstAnswer();
    void timerTicksTheClock();
    void waysOutStoreTheRecord_data();
    void waysOutStoreTheRecord();
    void practiceShowsQuestionsLeft();
    void ownTime_data();
    void ownTime();
    void notebookKeepsOutcomes_data();
    void notebookKeepsOutcomes();
    void clockForScreenReaders_data();
    void clockForScreenReaders();
    void keypadAnswers_data();
    void keypadAnswers();
    void keySide_data();
    void keySide();
    void keypadOnTouchAlone_data();
    void keypadOnTouchAlone();
};

void TestTavola::question()
{
    TavolaRig rig;
    rig.start();
    rig.answer(u"1"_s);
    rig.next(7);

    const QList<QPair<Role, QString>> shown { { Role::Factor, u"5"_s },
        { Role::Multiplier, u"7"_s }, { Role::FactorField, u"5"_s },
        { Role::MultiplierWords, u"sette"_s }, { Role::ProductField, u"35"_s },
        { Role::AnswerBox, QString() }, { Role::Verdict, QString() },
        { Role::PlayerField, u"Anna"_s }, { Role::Player, u"Anna"_s } };
    for (const auto &[role, text] : shown)
        QCOMPARE(rig.text(role), text);
    QCOMPARE(rig.tavola->focusWidget(), rig.control<QLineEdit>(Role::AnswerBox));
    // The question as one text for a screen reader, the verdict's gone.
    QCOMPARE(rig.control<QLineEdit>(Role::AnswerBox)->accessibleDescription(), u"5 per 7"_s);
    QCOMPARE(rig.control(Role::Verdict)->accessibleName(), QString());
    for (Role role : { Role::Factor, Role::Times, Role::Multiplier })
        QVERIFY(!rig.shown(role));
}

void TestTavola::verdict_data()
{
    QTest::addColumn<QString>("typed"); // against 5 x 7
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QStringList>("counts"); // right, wrong, total

    QTest::newRow("right") << u"35"_s << u"Esatto. Sei forte!!!"_s << QColor(0, 0, 255)
                           << QStringList { u"1"_s, u"0"_s, u"1"_s };
    QTest::newRow("wrong") << u"36"_s << u"Sbagliato!! 35"_s << QColor(255, 0, 0)
                           << QStringList { u"0"_s, u"1"_s, u"1"_s };
}

void TestTavola::verdict()
{
    QFETCH(QString, typed);
    QFETCH(QString, verdict);
    QFETCH(QColor, colour);
    QFETCH(QStringList, counts);

    TavolaRig rig;
    rig.random.nextQuestion(7);
    rig.start();
    QTest::keyClicks(rig.control<QLineEdit>(Role::AnswerBox), typed);
    for (Role role : { Role::Factor, Role::Times, Role::Multiplier })
        QVERIFY(rig.shown(role));
    QSignalSpy announced(rig.tavola.get(), &Tavola::announced);
    QTest::keyClick(rig.control<QLineEdit>(Role::AnswerBox), Qt::Key_Return);

    QCOMPARE(rig.text(Role::Verdict), verdict);
    QCOMPARE(announced.value(0), QVariantList { verdict }); // to a screen reader
    QCOMPARE(rig.control(Role::Verdict)->palette().color(QPalette::WindowText), colour);
    QCOMPARE((QStringList { rig.text(Role::CorrectCount), rig.text(Role::WrongCount),
                 rig.text(Role::TotalCount) }),
        counts);
    // A screen reader reads each count with what it counts.
    for (const auto &[role, name] : { std::pair(Role::CorrectCount, u"Risposte esatte: "_s),
             std::pair(Role::WrongCount, u"Risposte errate: "_s),
             std::pair(Role::TotalCount, u"Risposte totali: "_s) })
        QCOMPARE(rig.control(role)->accessibleName(), name + rig.text(role));
    QCOMPARE(rig.text(Role::AnswerBox), typed);
    QVERIFY(!rig.shown(Role::Factor));
    auto *next = rig.control<QPushButton>(Role::NextButton);
    QVERIFY(next->isEnabled());
    QCOMPARE(rig.tavola->focusWidget(), next);
    QCOMPARE(next->accessibleDescription(), verdict); // read as it takes the focus
}

void TestTavola::gradientBands()
{
    TavolaRig rig;
    rig.random.nextQuestion(3, 6);
    rig.start();
    auto *surface = rig.tavola->findChild<Surface *>();
    for (const QSize size : { QSize(800, 560), QSize(1000, 777) }) {
        surface->setFixedSize(size);
        QVERIFY(surface->hasGradient());
        const QImage shot = surface->grab().toImage();
        // The controls and rectangles stand over it; the column at the far
        // right edge below the clock panel shows the gradient alone.
        const int x = size.width() - 2;
        QCOMPARE(shot.pixelColor(x, 140), surface->bandColourAt(140));
        QCOMPARE(surface->bandColourAt(0), QColor(100, 120, 0));
        QCOMPARE(surface->bandColourAt(size.height() - 1), QColor(100, 120, 255));
        QCOMPARE(shot.pixelColor(x, size.height() - 1), QColor(100, 120, 255));
        // 256 bands of equal height.
        QSet<int> blues;
        for (int y = 0; y < size.height(); ++y)
            blues.insert(surface->bandColourAt(y).blue());
        QCOMPARE(blues.size(), std::min(256, size.height()));
    }
    // The first key typed clears it.
    QTest::keyClick(rig.control<QLineEdit>(Role::AnswerBox), Qt::Key_3);
    QVERIFY(!surface->hasGradient());
}

void TestTavola::onlyTypingKeysCount()
{
    TavolaRig rig;
    rig.start();
    auto *box = rig.control<QLineEdit>(Role::AnswerBox);
    auto *surface = rig.tavola->findChild<Surface *>();
    // A lone modifier types nothing and changes nothing.
    QTest::keyClick(box, Qt::Key_Shift);
    QVERIFY(surface->hasGradient());
    QVERIFY(!rig.shown(Role::Times));
    // Tab and Shift+Tab only move the focus.
    for (const auto &[key, modifier] :
        { std::pair(Qt::Key_Tab, Qt::NoModifier), std::pair(Qt::Key_Backtab, Qt::ShiftModifier) }) {
        box->setFocus();
        QTest::keyClick(box, key, modifier);
        QVERIFY(!box->hasFocus());
        QVERIFY(surface->hasGradient());
        QVERIFY(!rig.shown(Role::Times));
    }
    box->setFocus();
    // A letter goes into the box and shows the question line.
    QTest::keyClick(box, Qt::Key_A);
    QCOMPARE(box->text(), u"a"_s);
    QVERIFY(!surface->hasGradient());
    QVERIFY(rig.shown(Role::Times));
}

void TestTavola::accessKeysTypeNothing_data()
{
    QTest::addColumn<int>("key"); // with Alt, in the answer box
    QTest::addColumn<bool>("answered"); // 15 for 5 x 3 first
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("product"); // the question afterwards

    QTest::newRow("Alt+N, Nuovo calcolo disabled") << int(Qt::Key_N) << false << u"1"_s << u"15"_s;
    QTest::newRow("Alt+N asks the next question") << int(Qt::Key_N) << true << u""_s << u"45"_s;
    QTest::newRow("Alt+Q, no such button") << int(Qt::Key_Q) << true << u"151"_s << u"15"_s;
}

void TestTavola::accessKeysTypeNothing()
{
    QFETCH(int, key);
    QFETCH(bool, answered);
    QFETCH(QString, box);
    QFETCH(QString, product);
    TavolaRig rig;
    rig.random.nextQuestion(3);
    rig.start();
    rig.tavola->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.tavola.get()));
    auto *answer = rig.control<QLineEdit>(Role::AnswerBox);
    if (answered)
        rig.answer(u"15"_s);
    answer->setFocus();
    QTest::keyClick(answer, Qt::Key_1);
    rig.random.nextQuestion(9);
    // As the desktop delivers it, to the window with the answer box focused.
    QTest::keyClick(rig.tavola->windowHandle(), Qt::Key(key), Qt::AltModifier);
    QTRY_COMPARE(rig.text(Role::ProductField), product); // a button clicks as it comes up
    QCOMPARE(answer->text(), box);
}

void TestTavola::nextDisabledUntilFirstAnswer()
{
    TavolaRig rig;
    rig.random.nextQuestion(3);
    rig.start();
    rig.random.nextQuestion(9);
    QTest::mouseClick(rig.control<QPushButton>(Role::NextButton), Qt::LeftButton);
    QCOMPARE(rig.text(Role::ProductField), u"15"_s);
    rig.answer(u"15"_s);
    QTest::mouseClick(rig.control<QPushButton>(Role::NextButton), Qt::LeftButton);
    QCOMPARE(rig.text(Role::ProductField), u"45"_s);
}

void TestTavola::timerTicksTheClock()
{
    TavolaRig rig;
    rig.start();
    auto *timer = rig.control<QTimer>(Role::Ticker);
    QVERIFY(timer->isActive());
    QTimerEvent second(timer->timerId());
    QCoreApplication::sendEvent(timer, &second);
    QCOMPARE(rig.text(Role::Clock), u"00:06:59"_s);
}

void TestTavola::waysOutStoreTheRecord_data()
{
    QTest::addColumn<bool>("titleBar"); // the window's close button, or Alt+X
    QTest::newRow("Alt+X") << false;
    QTest::newRow("title bar's close button") << true;
}

void TestTavola::waysOutStoreTheRecord()
{
    QFETCH(bool, titleBar);
    TavolaRig rig;
    rig.random.nextQuestion(1);
    rig.start(u"Leo Verdi"_s);
    rig.answer(u"5"_s);
    rig.tavola->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.tavola.get()));
    if (titleBar)
        rig.tavola->windowHandle()->close(); // as the desktop asks it
    else
        QTest::keyClick(rig.tavola->windowHandle(), Qt::Key_X, Qt::AltModifier);
    QTRY_VERIFY(rig.exitStatus.has_value());

    QCOMPARE(rig.exitStatus, 0);
    QCOMPARE(rig.dialogs.messages.size(), 3); // greeting, farewell, record
    QCOMPARE(rig.bytes(rig.pointsFile()), QByteArray("1\r\n"));
    QCOMPARE(rig.bytes(rig.nameFile()), QByteArray("Leo Verdi\r\n"));
    QVERIFY(!rig.tavola->isVisible());
    QVERIFY(!rig.control<QTimer>(Role::Ticker)->isActive());
}

void TestTavola::practiceShowsQuestionsLeft()
{
    struct Sevens : FactSource
    {
        Fact next() override { return { 7, 8 }; }
        void answered(const Fact &, bool) override { }
    } sevens;
    TavolaRig rig;
    rig.tavola->setPractice(sevens);
    rig.start();
    QVERIFY(rig.tavola->windowTitle().contains(u"RIPASSO"_s));
    QCOMPARE(rig.text(Role::ClockCaption), u"Mancano"_s);
    QCOMPARE(rig.text(Role::Clock), u"20"_s);
    QCOMPARE(rig.text(Role::ProductField), u"56"_s);
    rig.answer(u"56"_s);
    QCOMPARE(rig.text(Role::Clock), u"19"_s);
    for (Role role :
        { Role::RecordCaption, Role::RecordHolder, Role::PointsCaption, Role::RecordPoints })
        QVERIFY(!rig.shown(role));
    // No clock runs: a ripasso has all the time it needs.
    QVERIFY(!rig.control<QTimer>(Role::Ticker)->isActive());
}

void TestTavola::ownTime_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("clock");
    QTest::newRow("seven: as ever") << 7 << u"Tempo restante"_s << u"00.07.00"_s;
    QTest::newRow("ten") << 10 << u"Tempo restante"_s << u"00:10:00"_s;
    QTest::newRow("no clock") << NoClock << u"Mancano"_s << u"20"_s;
}

// A child's own time: "Ripeti" and F5 say the question again, and it is
// written while asked.
void TestTavola::ownTime()
{
    QFETCH(int, minutes);
    QFETCH(QString, caption);
    QFETCH(QString, clock);
    TavolaRig rig;
    QObject::connect(
        &rig.contest(), &Contest::playerNamed, [&] { rig.contest().setMinutes(minutes); });
    rig.start();
    QCOMPARE(rig.text(Role::ClockCaption), caption);
    QCOMPARE(rig.text(Role::Clock), clock);
    QCOMPARE(rig.control(Role::Clock)->accessibleName(),
        minutes == NoClock ? u"Mancano 20 domande"_s : u"%1 minuti"_s.arg(minutes));
    auto *repeat = rig.tavola->findChild<QPushButton *>(u"repeatButton"_s);
    QCOMPARE(repeat != nullptr, minutes != 7);
    QCOMPARE(rig.shown(Role::Multiplier), minutes != 7);
    if (!repeat)
        return;
    rig.tavola->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.tavola.get()));
    rig.agent.merlin().take();
    repeat->click();
    QTest::keyClick(rig.tavola->windowHandle(), Qt::Key_F5);
    QCOMPARE(rig.agent.merlin().take().count(u"Speak per"_s), 2);
}

void TestTavola::notebookKeepsOutcomes_data()
{
    QTest::addColumn<QString>("typed"); // against 5 x 7
    QTest::addColumn<int>("outcome");
    QTest::newRow("wrong") << u"36"_s << int(Outcome::Wrong);
    QTest::newRow("blanks around: wrong") << u"  35 "_s << int(Outcome::Wrong);
    QTest::newRow("empty: skipped") << QString() << int(Outcome::Skipped);
}

void TestTavola::notebookKeepsOutcomes()
{
    QFETCH(QString, typed);
    QFETCH(int, outcome);
    TavolaRig rig;
    const QString path = rig.home.filePath(u"quaderno.sqlite"_s);
    {
        NotebookWriter writer(path);
        NotebookRecorder recorder(rig.contest(), writer, Mode::Contest);
        rig.random.nextQuestion(7);
        rig.start();
        rig.answer(typed);
    }
    const QList<Answer> kept = Notebook(path).answers(u"Anna"_s).value();
    QCOMPARE(kept.size(), 1);
    QCOMPARE(int(kept.first().outcome), outcome);
    QCOMPARE(kept.first().typed, typed);
}

void TestTavola::clockForScreenReaders_data()
{
    QTest::addColumn<int>("ticks");
    QTest::addColumn<QString>("left");
    QTest::addColumn<int>("changes"); // since the first question
    QTest::addColumn<int>("announced");
    QTest::newRow("a second") << 1 << u"7 minuti"_s << 0 << 0;
    QTest::newRow("a minute") << 60 << u"6 minuti"_s << 1 << 0;
    QTest::newRow("the last minute") << 360 << u"1 minuto"_s << 6 << 1;
    QTest::newRow("its last second") << 419 << u"1 minuto"_s << 6 << 1;
}

void TestTavola::clockForScreenReaders()
{
    QFETCH(int, ticks);
    QFETCH(QString, left);
    QFETCH(int, changes);
    QFETCH(int, announced);
    TavolaRig rig;
    rig.start();
    QSignalSpy told(rig.tavola.get(), &Tavola::announced);
    QWidget *clock = rig.control(Role::Clock);
    QStringList heard { clock->accessibleName() };
    for (int i = 0; i < ticks; ++i) {
        rig.contest().tick();
        if (clock->accessibleName() != heard.last())
            heard << clock->accessibleName();
    }
    QCOMPARE(heard.last(), left);
    QCOMPARE(heard.size() - 1, changes);
    QCOMPARE(told.size(), announced);
}

void TestTavola::keypadAnswers_data()
{
    QTest::addColumn<QStringList>("taps"); // against 5 x 7; Home moves the cursor
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("verdict");
    QTest::newRow("a slip taken back") << QStringList { u"3"_s, u"6"_s, u"Delete"_s, u"5"_s }
                                       << u"35"_s << u"Esatto. Sei forte!!!"_s;
    QTest::newRow("Cancella on nothing, then wrong")
        << QStringList { u"Delete"_s, u"3"_s, u"4"_s } << u"34"_s << u"Sbagliato!! 35"_s;
    QTest::newRow("every key") << u"1 2 3 4 5 6 7 8 9 0"_s.split(u' ') << u"1234567890"_s
                               << u"Sbagliato!! 35"_s;
    QTest::newRow("Cancella after the cursor moved") << QStringList { u"3"_s, u"5"_s, u"6"_s,
        u"Home"_s, u"Delete"_s } << u"35"_s << u"Esatto. Sei forte!!!"_s;
}

void TestTavola::keypadAnswers()
{
    QFETCH(QStringList, taps);
    QFETCH(QString, typed);
    QFETCH(QString, verdict);
    TavolaRig rig;
    rig.random.nextQuestion(7);
    rig.start();
    const QSize form = rig.tavola->size();
    QVERIFY(!rig.tavola->findChild<Keypad *>());
    // No keyboard of the desktop's own for the answer box, keypad or not.
    QInputMethodQueryEvent asked(Qt::ImEnabled);
    QCoreApplication::sendEvent(rig.control<QLineEdit>(Role::AnswerBox), &asked);
    QVERIFY(!asked.value(Qt::ImEnabled).toBool());
    TavolaKeypad keypad(*rig.tavola);
    keypad.show();

    // Beside the controls, the window grown to hold it; keys that leave the
    // focus where it is.
    auto *pad = rig.tavola->findChild<Keypad *>();
    QTRY_VERIFY(rig.tavola->width() > form.width());
    for (const QWidget *control :
        pad->parentWidget()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (control != pad)
            QVERIFY2(!control->geometry().intersects(pad->geometry()),
                qPrintable(control->objectName()));
    }
    for (const QPushButton *key : pad->findChildren<QPushButton *>())
        QCOMPARE(key->focusPolicy(), Qt::NoFocus);
    QCOMPARE(pad->accessibleName(), u"Tastierino"_s);
    auto *box = rig.control<QLineEdit>(Role::AnswerBox);

    const auto tap = [&](const QString &key) {
        QTest::mouseClick(pad->findChild<QPushButton *>(u"keypad"_s + key), Qt::LeftButton);
    };
    for (const QString &key : taps)
        key == u"Home" ? box->home(false) : tap(key);
    QVERIFY(rig.shown(Role::Times));
    QCOMPARE(box->text(), typed);
    tap(u"Enter"_s);
    QCOMPARE(rig.text(Role::Verdict), verdict);
    QCOMPARE(rig.text(Role::TotalCount), u"1"_s);
    // Invio again is Enter on "Nuovo calcolo": the next question; a double
    // tap is one tap, and judges nothing.
    QTest::qWait(TavolaKeypad::DoubleTapMs);
    rig.random.nextQuestion(2);
    tap(u"Enter"_s);
    tap(u"Enter"_s);
    QCOMPARE(rig.text(Role::ProductField), u"10"_s);
    QCOMPARE(rig.text(Role::TotalCount), u"1"_s);
    QCOMPARE(rig.tavola->focusWidget(), box);
}

void TestTavola::keySide_data()
{
    QTest::addColumn<qreal>("reported"); // the window's pixels to an inch, as the screen says
    QTest::addColumn<qreal>("ratio"); // the screen's pixels to one of the window's
    QTest::addColumn<qreal>("glass"); // the screen's pixels to an inch of its glass
    QTest::newRow("no size, 200 dpi") << 0.0 << 1.0 << 200.0;
    QTest::newRow("no size, 200 dpi, scale 2") << 0.0 << 2.0 << 200.0;
    QTest::newRow("no size, 96 dpi") << 0.0 << 1.0 << 96.0;
    QTest::newRow("an absurd size") << 4000.0 << 1.0 << 190.0;
    QTest::newRow("a laptop") << 141.0 << 1.0 << 141.0;
    QTest::newRow("a 4K screen at scale 2") << 81.5 << 2.0 << 163.0;
}

void TestTavola::keySide()
{
    QFETCH(qreal, reported);
    QFETCH(qreal, ratio);
    QFETCH(qreal, glass);
    const qreal millimetres = Keypad::keySide(reported, ratio) * ratio / glass * 25.4;
    QVERIFY2(millimetres >= 9.0 && millimetres <= 25.0, qPrintable(QString::number(millimetres)));
}

void TestTavola::keypadOnTouchAlone_data()
{
    QTest::addColumn<QStringList>("devices"); // name=type: Touch, Keyboard, Mouse
    QTest::addColumn<bool>("touchOnly");
    const QStringList x11 { u"Virtual core pointer=M"_s, u"Virtual core keyboard=K"_s,
        u"Power Button=K"_s, u"Video Bus=K"_s, u"ELAN Touchscreen=T"_s };
    QTest::newRow("a tablet") << x11 << true;
    QTest::newRow("a laptop's touch screen") << x11 + QStringList { u"AT keyboard=K"_s } << false;
    QTest::newRow("with a mouse") << QStringList { u"Touch=T"_s, u"USB Mouse=M"_s } << false;
}

void TestTavola::keypadOnTouchAlone()
{
    QFETCH(QStringList, devices);
    QFETCH(bool, touchOnly);
    using Type = QInputDevice::DeviceType;
    std::vector<std::unique_ptr<QInputDevice>> owned;
    QList<const QInputDevice *> list;
    for (const QString &device : devices) {
        const QChar type = device.back();
        owned.push_back(std::make_unique<QInputDevice>(device.chopped(2), owned.size(),
            type == u'T'       ? Type::TouchScreen
                : type == u'K' ? Type::Keyboard
                               : Type::Mouse));
        list << owned.back().get();
    }
    QCOMPARE(Keypad::touchOnly(list), touchOnly);
}

QTEST_MAIN(TestTavola)
#include "test_tavola.moc"
