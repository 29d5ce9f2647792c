// The contest through the window: questions, answers and the praise ladder,
// the clock, and the end of contest with the record.

#include "app/surface.h"
#include "support/tavolatest.h"

#include <QDir>

using namespace Zentovia;
using namespace Zentovia::Testing;

class TestContest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void question_data();
    void question();
    void gradientBands();
    void answers_data();
    void answers();
    void praiseLadder_data();
    void praiseLadder();
    void wrongAnswersLeaveTheLadder();
    void answerCountsOnce();
    void nextBeforeAnswer();
    void typingShowsQuestionLine();
    void clickOnWizardRepeatsQuestion();
    void clockCourse();
    void timeUpMessage();
    void endOfContest_data();
    void endOfContest();
    void endsOnce();
    void closingTheWindowStoresNothing();
};

void TestContest::question_data()
{
    QTest::addColumn<int>("multiplier");
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("result");
    QTest::newRow("1") << 1 << "uno"
                       << "5";
    QTest::newRow("7") << 7 << "sette"
                       << "35";
    QTest::newRow("8") << 8 << "otto"
                       << "40";
    QTest::newRow("10") << 10 << "dieci"
                        << "50";
}

void TestContest::question()
{
    QFETCH(int, multiplier);
    QFETCH(QString, words);
    QFETCH(QString, result);

    TavolaRig rig;
    rig.start();
    rig.agent.merlin().take();
    rig.answer(QStringLiteral("1"));
    rig.next(multiplier, 4);

    QCOMPARE(rig.text("lblNum1"), QStringLiteral("5"));
    QCOMPARE(rig.text("lblNum2"), QString::number(multiplier));
    QCOMPARE(rig.text("Text1"), QStringLiteral("5"));
    QCOMPARE(rig.text("Text6"), words);
    QCOMPARE(rig.text("Text7"), result);
    QCOMPARE(rig.text("Text3"), QString());
    QCOMPARE(rig.text("lblMessage"), QString());
    QCOMPARE(rig.tavola->focusWidget(), rig.control<QLineEdit>("Text3"));
    QVERIFY(!rig.control("lblNum2")->isVisibleTo(rig.tavola.get()));
    QCOMPARE(rig.tavola->state().tinta, 4);
    const QStringList said = rig.agent.merlin().take();
    QCOMPARE(said.mid(said.size() - 7),
        (QStringList { QStringLiteral("Show"), QStringLiteral("MoveTo 250,175"),
            QStringLiteral("Play Greet"), QStringLiteral("Height 205"), QStringLiteral("Speak 5"),
            QStringLiteral("Speak per"), u"Speak " + words }));
}

void TestContest::gradientBands()
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
    QTest::keyClick(rig.control<QLineEdit>("Text3"), Qt::Key_3);
    QVERIFY(!surface->hasGradient());
}

void TestContest::answers_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("right");
    QTest::newRow("digits") << "35" << true;
    QTest::newRow("leading zero") << "035" << false;
    QTest::newRow("blank before") << " 35" << false;
    QTest::newRow("blank after") << "35 " << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("letters") << "trentacinque" << false;
}

void TestContest::answers()
{
    QFETCH(QString, typed);
    QFETCH(bool, right);

    TavolaRig rig;
    rig.random.nextQuestion(7);
    rig.start();
    rig.agent.merlin().take();
    rig.answer(typed);

    auto *message = rig.control("lblMessage");
    QCOMPARE(rig.text("lblMessage"),
        right ? QStringLiteral("Esatto. Sei forte!!!") : QStringLiteral("Sbagliato!! 35"));
    QCOMPARE(message->palette().color(QPalette::WindowText),
        right ? QColor(0, 0, 255) : QColor(255, 0, 0));
    QCOMPARE(rig.text("lblScore"), right ? QStringLiteral("1") : QStringLiteral("0"));
    QCOMPARE(rig.text("lblScore1"), right ? QStringLiteral("0") : QStringLiteral("1"));
    QCOMPARE(rig.text("lblScore2"), QStringLiteral("1"));
    QCOMPARE(rig.text("Text3"), typed);
    QVERIFY(rig.control<QPushButton>("cmdNext")->isEnabled());
    QCOMPARE(rig.tavola->focusWidget(), rig.control<QPushButton>("cmdNext"));
    QVERIFY(!rig.control("lblNum1")->isVisibleTo(rig.tavola.get()));
    const QStringList expected = right
        ? QStringList { QStringLiteral("Show"), QStringLiteral("MoveTo 250,175"),
              QStringLiteral("Height 205"), QStringLiteral("Speak Esatto"),
              QStringLiteral("Speak 35") }
        : QStringList { QStringLiteral("Show"), QStringLiteral("MoveTo 250,175"),
              QStringLiteral("Play Greet"), QStringLiteral("Height 205"),
              QStringLiteral("Speak Sbagliato"), QStringLiteral("Speak 35") };
    QCOMPARE(rig.agent.merlin().take(), expected);
}

void TestContest::praiseLadder_data()
{
    QTest::addColumn<int>("k");
    QTest::addColumn<QStringList>("said");

    const QString result = QStringLiteral("Speak 10");
    const QString name = QStringLiteral("Speak Giulia");
    auto esatto = QStringLiteral("Speak Esatto");
    auto giusto = QStringLiteral("Speak Giusto");
    auto praise = [](const char *animation, const char *phrase) {
        return QStringList { u"Play " + QString::fromLatin1(animation),
            u"Speak " + QString::fromUtf8(phrase) };
    };
    for (int k = 0; k <= 30; ++k) {
        QStringList said;
        if (k < 10)
            said << esatto;
        else if (k > 10)
            said << giusto;
        if (k == 3 || k == 7 || k == 12 || k == 21 || k == 26)
            said << name;
        said << result;
        switch (k) {
        case 2:
            said << praise("congratulate", "Sei grande");
            break;
        case 5:
            said << praise("domagic1", "Sei forte");
            break;
        case 10:
            said << praise("congratulate", "Sei sulla buona strada per diventare cavaliere");
            break;
        case 13:
            said << praise("domagic2", "Sei in gamba");
            break;
        case 14:
            said << praise("congratulate", "Sei eccezionale");
            break;
        case 18:
            said << praise("congratulate", "Sei insuperabile");
            break;
        case 23:
            said << praise("congratulate",
                "Ti nomino cavaliere della tabellina, il massimo ordine per un eroe");
            break;
        case 27:
            said << praise("congratulate", "Hai lavorato bene mio leale campione: sei invincibile");
            break;
        default:
            break;
        }
        QTest::addRow("k=%d", k) << k << said;
    }
}

void TestContest::praiseLadder()
{
    QFETCH(int, k);
    QFETCH(QStringList, said);

    TavolaRig rig;
    rig.random.nextQuestion(2);
    rig.start(QStringLiteral("Giulia"));
    for (int i = 0; i < k; ++i) {
        rig.answer(QStringLiteral("10"));
        rig.next(2);
    }
    QCOMPARE(rig.text("lblScore"), QString::number(k));
    rig.agent.merlin().take();
    rig.answer(QStringLiteral("10"));

    const QStringList opening { QStringLiteral("Show"), QStringLiteral("MoveTo 250,175"),
        QStringLiteral("Height 205") };
    QCOMPARE(rig.agent.merlin().take(), opening + said);
    QCOMPARE(rig.text("lblScore"), QString::number(k + 1));
    QCOMPARE(rig.text("lblScore2"), QString::number(k + 1));
}

void TestContest::wrongAnswersLeaveTheLadder()
{
    TavolaRig rig;
    rig.random.nextQuestion(4);
    rig.start();
    for (int i = 0; i < 3; ++i) {
        rig.answer(QStringLiteral("99"));
        rig.next(4);
    }
    rig.answer(QStringLiteral("20"));
    rig.next(4);
    rig.answer(QStringLiteral("20"));
    rig.next(4);
    rig.agent.merlin().take();
    rig.answer(QStringLiteral("20")); // the third right answer: k = 2
    QVERIFY(rig.agent.merlin().take().contains(QStringLiteral("Speak Sei grande")));
    QCOMPARE(rig.text("lblScore"), QStringLiteral("3"));
    QCOMPARE(rig.text("lblScore1"), QStringLiteral("3"));
    QCOMPARE(rig.text("lblScore2"), QStringLiteral("6"));
}

void TestContest::answerCountsOnce()
{
    TavolaRig rig;
    rig.random.nextQuestion(6);
    rig.start();
    rig.answer(QStringLiteral("30"));
    QCOMPARE(rig.text("lblScore"), QStringLiteral("1"));
    rig.agent.merlin().take();

    // Back into the answer box, Enter again and again: nothing more counts.
    auto *box = rig.control<QLineEdit>("Text3");
    box->setFocus();
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(rig.tavola->state().esatte, 1);
    QCOMPARE(rig.text("lblScore"), QStringLiteral("1"));
    QCOMPARE(rig.text("lblScore2"), QStringLiteral("1"));
    QVERIFY(rig.agent.merlin().take().isEmpty());
    QCOMPARE(rig.tavola->focusWidget(), rig.control<QPushButton>("cmdNext"));

    // The next question is judged again.
    rig.next(6);
    rig.answer(QStringLiteral("30"));
    QCOMPARE(rig.text("lblScore"), QStringLiteral("2"));
}

void TestContest::nextBeforeAnswer()
{
    TavolaRig rig;
    rig.random.nextQuestion(3);
    rig.start();
    // Disabled until the first answer is judged.
    rig.random.nextQuestion(9);
    QTest::mouseClick(rig.control<QPushButton>("cmdNext"), Qt::LeftButton);
    QCOMPARE(rig.text("Text7"), QStringLiteral("15"));
    QCOMPARE(rig.random.draws.size(), 2);
    rig.random.draws.clear();

    rig.answer(QStringLiteral("15"));
    rig.next(9);
    rig.next(8, 10); // asked again, unanswered: only the last question stays
    QCOMPARE(rig.text("Text7"), QStringLiteral("40"));
    QCOMPARE(rig.text("lblScore"), QStringLiteral("1"));
    QCOMPARE(rig.text("lblScore2"), QStringLiteral("1"));
    QCOMPARE(rig.tavola->state().tinta, 10);
    QCOMPARE(rig.text("lblconto"), QStringLiteral("00.07.00"));
}

void TestContest::typingShowsQuestionLine()
{
    TavolaRig rig;
    rig.start();
    auto *box = rig.control<QLineEdit>("Text3");
    QVERIFY(!rig.control("Label10")->isVisibleTo(rig.tavola.get()));
    QTest::keyClick(box, Qt::Key_A);
    QCOMPARE(box->text(), QStringLiteral("a"));
    for (const char *name : { "lblNum1", "Label10", "lblNum2" })
        QVERIFY2(rig.control(name)->isVisibleTo(rig.tavola.get()), name);
    // A lone modifier types nothing and changes nothing.
    rig.tavola->findChild<Surface *>()->paintGradient(100, 20);
    QTest::keyClick(box, Qt::Key_Shift);
    QVERIFY(rig.tavola->findChild<Surface *>()->hasGradient());
}

void TestContest::clickOnWizardRepeatsQuestion()
{
    TavolaRig rig;
    rig.random.nextQuestion(9);
    rig.start();
    rig.agent.merlin().take();
    rig.agent.merlin().click();
    QCOMPARE(rig.agent.merlin().take(),
        (QStringList { QStringLiteral("Speak 5"), QStringLiteral("Speak per"),
            QStringLiteral("Speak nove") }));
    QCOMPARE(rig.tavola->state().esatte, 0);
}

void TestContest::clockCourse()
{
    TavolaRig rig;
    rig.start();
    const QMap<int, QString> shown { { 1, QStringLiteral("00:06:59") },
        { 59, QStringLiteral("00:06:01") }, { 60, QStringLiteral("00:06:00") },
        { 61, QStringLiteral("00:05:59") }, { 419, QStringLiteral("00:00:01") },
        { 420, QStringLiteral("00:00:00") } };
    for (int tick = 1; tick <= 420; ++tick) {
        rig.tavola->tick();
        if (shown.contains(tick))
            QCOMPARE(rig.text("lblconto"), shown.value(tick));
        const ContestState &s = rig.tavola->state();
        QCOMPARE(int(s.secondiRestanti.value()), 420 - tick);
        QCOMPARE(3600 * s.ore.value() + 60 * s.minuti.value() + int(s.secondi), 420 - tick);
        QVERIFY(s.secondi <= 59.0f);
    }
    QVERIFY(rig.dialogs.messages.size() == 1); // the greeting only
    QVERIFY(!rig.exitStatus);

    rig.tavola->tick(); // the 421st
    QCOMPARE(rig.dialogs.messages.mid(1),
        QStringList { QStringLiteral("Ciao. Ti aspetto per la prossima sfida ") });
    QCOMPARE(rig.exitStatus, 0);
}

void TestContest::timeUpMessage()
{
    TavolaRig rig;
    rig.start();
    for (int tick = 1; tick <= 420; ++tick)
        rig.tavola->tick();
    // Time is used up while the clock shows something else.
    rig.control("lblconto")->setText(QStringLiteral("00.00.00"));
    rig.tavola->tick();
    QCOMPARE(rig.dialogs.messages.mid(1),
        (QStringList { QStringLiteral("Tempo scaduto"),
            QStringLiteral("Ciao. Ti aspetto per la prossima sfida ") }));
    QCOMPARE(rig.exitStatus, 0);
}

void TestContest::endOfContest_data()
{
    QTest::addColumn<QByteArray>("storedPoints");
    QTest::addColumn<int>("score");
    QTest::addColumn<bool>("record");

    QTest::newRow("empty files, no answer") << QByteArray() << 0 << false;
    QTest::newRow("empty files, 12 right") << QByteArray() << 12 << true;
    QTest::newRow("tie") << QByteArray("3\r\n") << 3 << false;
    QTest::newRow("below") << QByteArray("5\r\n") << 2 << false;
    QTest::newRow("7 beaten by 8") << QByteArray("7\r\n") << 8 << true;
    QTest::newRow("letters only") << QByteArray("abc\r\n") << 1 << true;
    QTest::newRow("blanks inside count as 12") << QByteArray(" 1 2\r\n") << 12 << false;
    QTest::newRow("blanks inside beaten") << QByteArray(" 1 2\r\n") << 13 << true;
}

void TestContest::endOfContest()
{
    QFETCH(QByteArray, storedPoints);
    QFETCH(int, score);
    QFETCH(bool, record);

    TavolaRig rig;
    QVERIFY(QDir().mkpath(rig.recordDir()));
    rig.write(rig.pointsFile(), storedPoints);
    rig.write(rig.nameFile(), storedPoints.isEmpty() ? QByteArray() : QByteArray("Bea\r\n"));
    rig.random.nextQuestion(1);
    rig.start(QStringLiteral("Leo Verdi"));
    for (int i = 0; i < score; ++i) {
        rig.answer(QStringLiteral("5"));
        rig.next(1);
    }
    rig.tavola->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.tavola.get()));
    QTest::keyClick(rig.tavola->windowHandle(), Qt::Key_X, Qt::AltModifier);
    QTRY_VERIFY(rig.exitStatus.has_value());

    QStringList expected { QStringLiteral("Ciao. Ti aspetto per la prossima sfida ") };
    if (record)
        expected << QStringLiteral("Ok ho registrato il tuo record, C A M P I O N E\"");
    QCOMPARE(rig.dialogs.messages.mid(1), expected);
    QCOMPARE(rig.exitStatus, 0);
    QCOMPARE(
        rig.bytes(rig.pointsFile()), record ? QByteArray::number(score) + "\r\n" : storedPoints);
    QCOMPARE(rig.bytes(rig.nameFile()),
        record ? QByteArray("Leo Verdi\r\n")
               : (storedPoints.isEmpty() ? QByteArray() : QByteArray("Bea\r\n")));
    QVERIFY(rig.tavola->hasEnded());
}

void TestContest::endsOnce()
{
    TavolaRig rig;
    rig.random.nextQuestion(1);
    rig.start();
    rig.answer(QStringLiteral("5"));
    int farewells = 0;
    rig.dialogs.onMessage = [&](const QString &text) {
        if (text.startsWith(QStringLiteral("Ciao")))
            ++farewells;
        // Ticks keep coming while the box is open; the clock is at its end.
        for (int i = 0; i < 430; ++i)
            rig.tavola->tick();
    };
    rig.tavola->endContest();
    QCOMPARE(farewells, 1);
    QCOMPARE(rig.bytes(rig.pointsFile()), QByteArray("1\r\n"));
    // Nothing runs once the program has ended.
    rig.tavola->tick();
    rig.control<QPushButton>("cmdExit1")->click();
    rig.control<QPushButton>("cmdNext")->click();
    QCOMPARE(farewells, 1);
    QCOMPARE(rig.dialogs.messages.size(), 3);
}

void TestContest::closingTheWindowStoresNothing()
{
    TavolaRig rig;
    rig.random.nextQuestion(1);
    rig.start();
    rig.answer(QStringLiteral("5"));
    rig.tavola->close();
    QCOMPARE(rig.exitStatus, 0);
    QCOMPARE(rig.dialogs.messages.size(), 1); // the greeting only
    QCOMPARE(rig.bytes(rig.pointsFile()), QByteArray());
    rig.tavola->tick();
    QCOMPARE(rig.dialogs.messages.size(), 1);
}

QTEST_MAIN(TestContest)
#include "test_contest.moc"
