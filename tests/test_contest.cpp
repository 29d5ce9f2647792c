// The contest's rules with no window: questions, verdicts and the praise
// ladder, the clock, and the end of contest with the record, each stated as
// a table of what the child sees, hears and keeps.

#include "contest/contest.h"
#include "support/fakeclock.h"
#include "support/fakes.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Zentovia;
using namespace Zentovia::Testing;
using namespace Qt::StringLiterals;

namespace {

// A contest with every outside part stood in for, and the last thing it
// told the window to show, by kind.
struct ContestRig
{
    QTemporaryDir home;
    FakeDialogs dialogs;
    FakeRandom random;
    RecordingAgent agent;
    Contest contest;
    std::optional<int> status;
    QHash<QString, QString> shown; // "verdict", "counts", "clock", "line", "gradient"
    int nextOffers = 0;

    explicit ContestRig(int table = DefaultTable)
        : contest(dialogs, random, agent, merlinCast(), table)
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
        QDir().mkpath(home.filePath(u"zentovia"_s));
        Contest *c = &contest;
        QObject::connect(c, &Contest::ended, [this](int s) { status = s; });
        QObject::connect(c, &Contest::verdictShown, [this](Contest::Verdict v, const QString &t) {
            shown[u"verdict"_s] = (v == Contest::Verdict::Right ? u"blue: "_s : u"red: "_s) + t;
        });
        QObject::connect(c, &Contest::countsShown, [this](QString r, QString w, QString t) {
            shown[u"counts"_s] = r + u' ' + w + u' ' + t;
        });
        QObject::connect(c, &Contest::clockShown, [this](QString t) { shown[u"clock"_s] = t; });
        QObject::connect(c, &Contest::questionLineShown,
            [this](bool on) { shown[u"line"_s] = on ? u"shown"_s : u"hidden"_s; });
        QObject::connect(c, &Contest::gradientPainted,
            [this](int r, int g) { shown[u"gradient"_s] = u"%1 %2"_s.arg(r).arg(g); });
        QObject::connect(c, &Contest::drawingCleared, [this] { shown[u"gradient"_s].clear(); });
        QObject::connect(c, &Contest::nextOffered, [this] { ++nextOffers; });
    }

    QString file(const char *name) const
    {
        return home.filePath(u"zentovia/"_s + QLatin1StringView(name));
    }
    QByteArray bytes(const char *name) const
    {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    // Start-up with a name, then the first question, 5 x multiplier.
    void start(const QString &name = u"Anna"_s, int multiplier = 1)
    {
        dialogs.names << name;
        contest.start();
        random.nextQuestion(multiplier);
        contest.activate();
    }
    void next(int multiplier, int tint = 1)
    {
        random.nextQuestion(multiplier, tint);
        contest.askQuestion();
    }
    // Enter in the answer box, which holds typed.
    void answer(const QString &typed) { contest.keyTyped(u'\r', typed); }
    void answerRight() { answer(QString::number(5 * contest.question().multiplier.value())); }
    QStringList said() { return agent.merlin().take(); }
};

const QString Farewell = u"Ciao. Ti aspetto per la prossima sfida "_s;
const QString RecordKept = u"Ok ho registrato il tuo record, C A M P I O N E\""_s;
const QStringList InView { u"Show"_s, u"MoveTo 250,175"_s };

} // namespace

class TestContest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void question_data();
    void question();
    void answers_data();
    void answers();
    void praiseLadder_data();
    void praiseLadder();
    void enterAgainAndAskAgain();
    void clickRepeatsQuestion();
    void clock_data();
    void clock();
    void timeUpWithAnotherText();
    void endOfContest_data();
    void endOfContest();
    void answersForTheNotebook();
    void practice_data();
    void practice();
    void practiceWaitsForAnAnswer();
    void endsOnce();
    void ownTime_data();
    void ownTime();
    void otherTables_data();
    void otherTables();
    void weeksTables();
};

void TestContest::question_data()
{
    QTest::addColumn<float>("tintDraw"); // the draws come in this order
    QTest::addColumn<float>("multiplierDraw");
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("product");
    QTest::addColumn<QString>("gradient"); // red, green

    QTest::newRow("lowest draws") << 0.0f << 0.0f << u"uno"_s << u"5"_s << u"100 20"_s;
    QTest::newRow("5 x 7") << 0.35f << 0.65f << u"sette"_s << u"35"_s << u"100 80"_s;
    QTest::newRow("5 x 8") << 0.7f << 0.75f << u"otto"_s << u"40"_s << u"100 160"_s;
    QTest::newRow("highest draws") << 0.99999f << 0.95f << u"dieci"_s << u"50"_s << u"100 200"_s;
}

void TestContest::question()
{
    QFETCH(float, tintDraw);
    QFETCH(float, multiplierDraw);
    QFETCH(QString, words);
    QFETCH(QString, product);
    QFETCH(QString, gradient);

    ContestRig rig;
    rig.start();
    rig.said();
    rig.random.reseeds = 0;
    rig.random.draws = { tintDraw, multiplierDraw };
    rig.contest.askQuestion();

    QCOMPARE(rig.contest.question().words, words);
    QCOMPARE(rig.shown[u"gradient"_s], gradient);
    QCOMPARE(rig.shown[u"line"_s], u"hidden"_s);
    QCOMPARE(rig.random.reseeds, 1);
    const QStringList asked { u"Play Greet"_s, u"Height 205"_s, u"Speak 5"_s, u"Speak per"_s };
    QCOMPARE(rig.said(), InView + asked + QStringList { u"Speak "_s + words });
    rig.answer(product);
    QCOMPARE(rig.shown[u"counts"_s], u"1 0 1"_s);
}

void TestContest::answers_data()
{
    QTest::addColumn<QString>("typed"); // against 5 x 7
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<QString>("counts");
    QTest::addColumn<QStringList>("said");

    const QString right = u"blue: Esatto. Sei forte!!!"_s, wrong = u"red: Sbagliato!! 35"_s;
    const QStringList praised
        = InView + QStringList { u"Height 205"_s, u"Speak Esatto"_s, u"Speak 35"_s };
    const QStringList corrected = InView
        + QStringList { u"Play Greet"_s, u"Height 205"_s, u"Speak Sbagliato"_s, u"Speak 35"_s };
    QTest::newRow("digits") << u"35"_s << right << u"1 0 1"_s << praised;
    QTest::newRow("leading zero") << u"035"_s << wrong << u"0 1 1"_s << corrected;
    QTest::newRow("blank before") << u" 35"_s << wrong << u"0 1 1"_s << corrected;
    QTest::newRow("blank after") << u"35 "_s << wrong << u"0 1 1"_s << corrected;
    QTest::newRow("empty") << QString() << wrong << u"0 1 1"_s << corrected;
    QTest::newRow("words") << u"trentacinque"_s << wrong << u"0 1 1"_s << corrected;
}

void TestContest::answers()
{
    QFETCH(QString, typed);
    QFETCH(QString, verdict);
    QFETCH(QString, counts);
    QFETCH(QStringList, said);

    ContestRig rig;
    rig.start(u"Anna"_s, 7);
    rig.said();
    rig.contest.keyTyped(u'3', typed); // any key shows the line, clears the drawing
    QCOMPARE(rig.shown[u"line"_s], u"shown"_s);
    QCOMPARE(rig.shown[u"gradient"_s], QString());
    rig.answer(typed);

    QCOMPARE(rig.shown[u"verdict"_s], verdict);
    QCOMPARE(rig.shown[u"counts"_s], counts);
    QCOMPARE(rig.said(), said);
    QCOMPARE(rig.shown[u"line"_s], u"hidden"_s);
    QCOMPARE(rig.nextOffers, 1);
}

void TestContest::praiseLadder_data()
{
    QTest::addColumn<int>("before"); // right answers before this one
    QTest::addColumn<QStringList>("said"); // after Show, MoveTo, Height

    auto rows = [](std::initializer_list<int> before, QStringList opening, QStringList after) {
        for (int k : before)
            QTest::addRow("%d right before", k)
                << k << opening + QStringList { u"Speak 10"_s } + after;
    };
    const QString esatto = u"Speak Esatto"_s, giusto = u"Speak Giusto"_s, name = u"Speak Giulia"_s;
    auto praise = [](const QString &animation, const QString &phrase) {
        return QStringList { u"Play "_s + animation, u"Speak "_s + phrase };
    };
    rows({ 0, 1, 4, 6, 8, 9 }, { esatto }, {});
    rows({ 2 }, { esatto }, praise(u"congratulate"_s, u"Sei grande"_s));
    rows({ 3, 7 }, { esatto, name }, {});
    rows({ 5 }, { esatto }, praise(u"domagic1"_s, u"Sei forte"_s));
    rows(
        { 10 }, {}, praise(u"congratulate"_s, u"Sei sulla buona strada per diventare cavaliere"_s));
    rows({ 11, 15, 16, 17, 19, 20, 22, 24, 25, 28, 29, 40 }, { giusto }, {});
    rows({ 12, 21, 26 }, { giusto, name }, {});
    rows({ 13 }, { giusto }, praise(u"domagic2"_s, u"Sei in gamba"_s));
    rows({ 14 }, { giusto }, praise(u"congratulate"_s, u"Sei eccezionale"_s));
    rows({ 18 }, { giusto }, praise(u"congratulate"_s, u"Sei insuperabile"_s));
    rows({ 23 }, { giusto },
        praise(u"congratulate"_s,
            u"Ti nomino cavaliere della tabellina, il massimo ordine per un eroe"_s));
    rows({ 27 }, { giusto },
        praise(u"congratulate"_s, u"Hai lavorato bene mio leale campione: sei invincibile"_s));
}

void TestContest::praiseLadder()
{
    QFETCH(int, before);
    QFETCH(QStringList, said);

    ContestRig rig;
    rig.start(u"Giulia"_s, 2);
    // Two wrong answers among the right ones do not move the ladder.
    for (int i = 0; i < before + 2; ++i) {
        rig.answer(i == 0 || i == before + 1 ? u"11"_s : u"10"_s);
        rig.next(2);
    }
    rig.said();
    rig.answer(u"10"_s);

    QCOMPARE(rig.said(), InView + QStringList { u"Height 205"_s } + said);
    QCOMPARE(rig.shown[u"counts"_s], u"%1 2 %2"_s.arg(before + 1).arg(before + 3));
}

void TestContest::enterAgainAndAskAgain()
{
    ContestRig rig;
    rig.start(u"Anna"_s, 6);
    rig.answer(u"30"_s);
    rig.said();
    // Enter again and again: the answer counts once, the focus goes back to
    // the next button.
    rig.answer(u"30"_s);
    rig.answer(u"30"_s);
    QCOMPARE(rig.shown[u"counts"_s], u"1 0 1"_s);
    QCOMPARE(rig.said(), QStringList());
    QCOMPARE(rig.nextOffers, 3);
    QCOMPARE(rig.shown[u"line"_s], u"hidden"_s);
    // Two questions asked in a row: only the second stays, and is judged.
    rig.next(9);
    rig.next(8, 10);
    rig.answer(u"45"_s);
    QCOMPARE(rig.shown[u"verdict"_s], u"red: Sbagliato!! 40"_s);
    QCOMPARE(rig.shown[u"counts"_s], u"1 1 2"_s);
    QCOMPARE(rig.shown[u"clock"_s], u"00.07.00"_s);
}

void TestContest::clickRepeatsQuestion()
{
    ContestRig rig;
    rig.dialogs.names << u"Anna"_s;
    rig.contest.start();
    rig.said();
    rig.agent.merlin().click(); // during the instructions: no question yet
    QCOMPARE(rig.said(), QStringList());
    rig.random.nextQuestion(9);
    rig.contest.activate();
    rig.said();
    rig.agent.merlin().click();
    QCOMPARE(rig.said(), (QStringList { u"Speak 5"_s, u"Speak per"_s, u"Speak nove"_s }));
}

void TestContest::clock_data()
{
    QTest::addColumn<bool>("asked"); // the first question has been asked
    QTest::addColumn<int>("ticks");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("left");
    QTest::addColumn<QStringList>("boxes"); // after the greeting

    QTest::newRow("armed, not yet asked") << false << 5 << u"00:00:00"_s << 420 << QStringList();
    QTest::newRow("first question") << true << 0 << u"00.07.00"_s << 420 << QStringList();
    QTest::newRow("1st tick") << true << 1 << u"00:06:59"_s << 419 << QStringList();
    QTest::newRow("59th") << true << 59 << u"00:06:01"_s << 361 << QStringList();
    QTest::newRow("60th") << true << 60 << u"00:06:00"_s << 360 << QStringList();
    QTest::newRow("61st") << true << 61 << u"00:05:59"_s << 359 << QStringList();
    QTest::newRow("419th") << true << 419 << u"00:00:01"_s << 1 << QStringList();
    QTest::newRow("420th") << true << 420 << u"00:00:00"_s << 0 << QStringList();
    QTest::newRow("421st ends") << true << 421 << u"00:00:00"_s << 0 << QStringList { Farewell };
}

void TestContest::clock()
{
    QFETCH(bool, asked);
    QFETCH(int, ticks);
    QFETCH(QString, shown);
    QFETCH(int, left);
    QFETCH(QStringList, boxes);

    ContestRig rig;
    rig.dialogs.names << u"Ada"_s;
    rig.contest.start();
    if (asked)
        rig.contest.activate();
    const Countdown &clock = rig.contest.countdown();
    for (int tick = 1; tick <= ticks; ++tick) {
        rig.contest.tick();
        // The clock's parts always add up to the seconds left.
        QCOMPARE(3600 * clock.hours() + 60 * clock.minutes() + int(clock.seconds()),
            clock.secondsLeft());
        QVERIFY(clock.seconds() <= 59.0f && clock.minutes() <= 59);
    }
    QCOMPARE(rig.shown[u"clock"_s], shown);
    QCOMPARE(clock.secondsLeft(), left);
    QCOMPARE(rig.dialogs.messages.mid(1), boxes);
    QCOMPARE(rig.status, boxes.isEmpty() ? std::nullopt : std::optional<int>(0));
}

void TestContest::timeUpWithAnotherText()
{
    ContestRig rig;
    rig.start();
    for (int tick = 1; tick <= 420; ++tick)
        rig.contest.tick();
    rig.contest.countdown().show(u"00.00.00"_s);
    rig.contest.tick();
    QCOMPARE(rig.dialogs.messages.mid(1), (QStringList { u"Tempo scaduto"_s, Farewell }));
    QCOMPARE(rig.status, 0);
}

void TestContest::endOfContest_data()
{
    QTest::addColumn<QByteArray>("points"); // stored before, held by Bea
    QTest::addColumn<int>("score");
    QTest::addColumn<QByteArray>("pointsAfter");
    QTest::addColumn<QByteArray>("nameAfter");

    const QByteArray leo("Leo Verdi\r\n"), bea("Bea\r\n");
    QTest::newRow("no files, no answer") << QByteArray() << 0 << QByteArray() << QByteArray();
    QTest::newRow("no files, 12 right") << QByteArray() << 12 << QByteArray("12\r\n") << leo;
    QTest::newRow("tie") << QByteArray("3\r\n") << 3 << QByteArray("3\r\n") << bea;
    QTest::newRow("below") << QByteArray("5\r\n") << 2 << QByteArray("5\r\n") << bea;
    QTest::newRow("7 beaten by 8") << QByteArray("7\r\n") << 8 << QByteArray("8\r\n") << leo;
    QTest::newRow("letters only") << QByteArray("abc\r\n") << 1 << QByteArray("1\r\n") << leo;
    QTest::newRow("blanks inside count as 12")
        << QByteArray(" 1 2\r\n") << 12 << QByteArray(" 1 2\r\n") << bea;
    QTest::newRow("blanks inside beaten")
        << QByteArray(" 1 2\r\n") << 13 << QByteArray("13\r\n") << leo;
}

void TestContest::endOfContest()
{
    QFETCH(QByteArray, points);
    QFETCH(int, score);
    QFETCH(QByteArray, pointsAfter);
    QFETCH(QByteArray, nameAfter);

    ContestRig rig;
    auto write = [&rig](const char *name, const QByteArray &content) {
        QFile f(rig.file(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    };
    if (!points.isEmpty()) {
        write("azentrec5.txt", points);
        write("nzentrec5.txt", "Bea\r\n");
    }
    rig.start(u"Leo Verdi"_s);
    for (int i = 0; i <= score; ++i) {
        i == score ? rig.answer(u"0"_s) : rig.answerRight(); // and one wrong
        rig.next(1 + i % 10);
    }
    rig.contest.finish();

    // A new record is told in a second box.
    const QStringList told { Farewell, RecordKept };
    QCOMPARE(rig.dialogs.messages.mid(1), nameAfter == "Leo Verdi\r\n" ? told : told.mid(0, 1));
    QCOMPARE(rig.status, 0);
    QCOMPARE(rig.bytes("azentrec5.txt"), pointsAfter);
    QCOMPARE(rig.bytes("nzentrec5.txt"), nameAfter);
}

void TestContest::answersForTheNotebook()
{
    ContestRig rig;
    FakeClock clock;
    rig.contest.setClock(clock);
    QStringList kept;
    QObject::connect(&rig.contest, &Contest::answered,
        [&](const Question &q, const QString &typed, Contest::Verdict verdict, qint64 ms) {
            kept << u"5x%1 \"%2\" %3 %4"_s.arg(q.multiplier.value())
                        .arg(typed, verdict == Contest::Verdict::Right ? u"right"_s : u"wrong"_s)
                        .arg(ms);
        });
    QObject::connect(&rig.contest, &Contest::skipped, [&](const Question &q, qint64 ms) {
        kept << u"5x%1 skipped %2"_s.arg(q.multiplier.value()).arg(ms);
    });
    rig.start(u"Anna"_s, 7);
    clock.advance(4300);
    rig.answer(u"35"_s);
    rig.answer(u"35"_s); // Enter again, and the check button: kept once
    rig.contest.judge(u"34"_s);
    rig.next(3);
    clock.advance(2000);
    rig.next(4); // 5x3 left for a new question
    clock.advance(1500);
    rig.answer(u"21"_s);
    rig.next(2);
    rig.contest.finish(); // a question open at the end is no skip
    QCOMPARE(kept,
        (QStringList {
            u"5x7 \"35\" right 4300"_s, u"5x3 skipped 2000"_s, u"5x4 \"21\" wrong 1500"_s }));

    // The first question of a contest is drawn while the wizard still gives
    // his instructions: its time counts from when he has said it.
    ContestRig later;
    later.contest.setClock(clock);
    kept.clear();
    QObject::connect(&later.contest, &Contest::answered,
        [&](const Question &, const QString &, Contest::Verdict, qint64 ms) {
            kept << QString::number(ms);
        });
    later.start(u"Bea"_s, 8);
    clock.advance(23000);
    RecordingCharacter &merlin = later.agent.merlin();
    const auto id
        = [&](const QString &said) { return quint64(merlin.requests.lastIndexOf(said) + 1); };
    // From his last word heard, not from the silence after it.
    Q_EMIT merlin.heard(id(u"Speak otto"_s));
    clock.advance(600);
    Q_EMIT merlin.requestDone(id(u"Speak otto"_s));
    clock.advance(3500);
    later.answer(u"40"_s);
    // Said again, from the question heard again.
    later.next(3);
    Q_EMIT merlin.requestDone(id(u"Speak tre"_s));
    clock.advance(7000);
    later.contest.sayQuestionAgain();
    clock.advance(1500);
    Q_EMIT merlin.heard(id(u"Speak tre"_s));
    clock.advance(4000);
    later.answer(u"15"_s);
    QCOMPARE(kept, (QStringList { u"4100"_s, u"4000"_s }));
}

// 5 x 1, 5 x 2, ... in turn, and what it heard.
struct CyclingSource : FactSource
{
    int given = 0;
    QStringList heard;
    Fact next() override { return { 5, given++ % 10 + 1 }; }
    void answered(const Fact &fact, bool right) override
    {
        heard << u"%1%2"_s.arg(fact.multiplier).arg(right ? u'+' : u'-');
    }
};

void TestContest::practice_data()
{
    QTest::addColumn<int>("answers"); // every other one wrong
    QTest::addColumn<bool>("exit");
    QTest::addColumn<QString>("summary");
    QTest::newRow("twenty answers, then Invio")
        << 20 << false
        << u"Hai risposto giusto a 10 domande su 20. La prossima volta riproviamo 5 per 10, 5 per "
           "8 e 5 per 6."_s;
    QTest::newRow("Exit after two")
        << 2 << true
        << u"Hai risposto giusto a 1 domanda su 2. La prossima volta riproviamo 5 per 2."_s;
    QTest::newRow("Exit after three")
        << 3 << true
        << u"Hai risposto giusto a 2 domande su 3. La prossima volta riproviamo 5 per 2."_s;
    QTest::newRow("Exit at once") << 0 << true << u"Ciao! Il ripasso ti aspetta quando vuoi."_s;
}

void TestContest::practice()
{
    QFETCH(int, answers);
    QFETCH(bool, exit);
    QFETCH(QString, summary);
    ContestRig rig;
    CyclingSource source;
    rig.contest.setPractice(source);
    rig.start();
    QCOMPARE(rig.shown[u"clock"_s], u"20"_s);
    for (int i = 0; i < answers; ++i) {
        QCOMPARE(rig.contest.question().multiplier.value(), i % 10 + 1);
        rig.answer(i % 2 ? u"0"_s : QString::number(5 * (i % 10 + 1)));
        QCOMPARE(rig.shown[u"clock"_s], QString::number(19 - i));
        if (i < answers - 1)
            rig.next(1);
    }
    QVERIFY(!rig.status);
    if (exit)
        rig.contest.finish();
    else
        rig.next(1); // Invio after the last verdict
    QCOMPARE(rig.status, 0);
    QCOMPARE(rig.dialogs.messages.last(), summary);
    QCOMPARE(rig.said().last(), u"Speak "_s + summary);
    QCOMPARE(source.heard.size(), answers);
    // A ripasso neither reads nor writes a record.
    QCOMPARE(QDir(rig.home.filePath(u"zentovia"_s)).entryList(QDir::Files), QStringList());
}

void TestContest::ownTime_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QString>("clock"); // once the first question is asked
    QTest::addColumn<QString>("folder"); // of the record
    QTest::newRow("ten minutes") << 10 << u"00:10:00"_s << u"10-minuti"_s;
    QTest::newRow("no clock") << NoClock << u"20"_s << u"senza-orologio"_s;
}

// A child's own time: the clock after the instructions (or none), the
// question written, the wizard's words of the last question dropped, a
// record apart; with no clock, each fact twice, never twice in a row.
void TestContest::ownTime()
{
    QFETCH(int, minutes);
    QFETCH(QString, clock);
    QFETCH(QString, folder);
    ContestRig rig;
    QSignalSpy armed(&rig.contest, &Contest::clockArmed);
    QObject::connect(&rig.contest, &Contest::playerNamed, [&] { rig.contest.setMinutes(minutes); });
    QList<int> asked;
    QObject::connect(&rig.contest, &Contest::questionAsked,
        [&](const Question &q) { asked << int(q.multiplier.value()); });
    rig.start();
    QCOMPARE(rig.shown[u"clock"_s], clock);
    QCOMPARE(rig.shown[u"line"_s], u"shown"_s);
    QCOMPARE(armed.count(), 0);
    const QStringList said = rig.said();
    Q_EMIT rig.agent.merlin().requestDone(
        quint64(said.indexOf(u"Speak "_s + Contest::instructions(5)) + 1));
    QCOMPARE(armed.count(), minutes == NoClock ? 0 : 1);
    rig.answerRight();
    rig.said();
    rig.next(2);
    QCOMPARE(rig.said().value(0), u"Stop"_s);
    for (int n = 0; n < 19 && minutes == NoClock; ++n) {
        rig.answerRight();
        rig.next(3);
    }
    QCOMPARE(rig.status.has_value(), minutes == NoClock);
    for (int m = 1; m <= 10 && minutes == NoClock; ++m)
        QCOMPARE(asked.count(m), 2);
    for (qsizetype i = 1; i < asked.size() && minutes == NoClock; ++i)
        QVERIFY(asked.at(i) != asked.at(i - 1));
    rig.contest.finish();
    QCOMPARE(rig.bytes(qPrintable(folder + u"/azentrec5.txt"_s)),
        QByteArray::number(minutes == NoClock ? 20 : 1) + "\r\n");
    QVERIFY(!QFile::exists(rig.file("azentrec5.txt")));
}

void TestContest::practiceWaitsForAnAnswer()
{
    ContestRig rig;
    CyclingSource source;
    rig.contest.setPractice(source);
    QSignalSpy answered(&rig.contest, &Contest::answered);
    rig.start();
    rig.said();
    rig.answer(QString()); // nothing written: asked for, nothing judged or kept
    QCOMPARE(rig.said().last(), u"Speak Scrivi il risultato, poi premi Invio."_s);
    QCOMPARE(answered.size() + rig.nextOffers, 0);
    QCOMPARE(rig.shown[u"clock"_s], u"20"_s);
    rig.answer(u" "_s); // a blank is an answer, wrong
    QCOMPARE(answered.size(), 1);
    QCOMPARE(rig.shown[u"verdict"_s], u"red: Sbagliato!! 5"_s);
}

void TestContest::endsOnce()
{
    ContestRig rig;
    rig.start();
    rig.answerRight();
    int farewells = 0;
    rig.dialogs.onMessage = [&](const QString &text) {
        farewells += text == Farewell;
        // Ticks keep coming while the box is open, past the clock's end.
        for (int i = 0; i < 430; ++i)
            rig.contest.tick();
    };
    rig.contest.finish();
    QCOMPARE(farewells, 1);
    QCOMPARE(rig.bytes("azentrec5.txt"), QByteArray("1\r\n"));

    // Nothing of the contest runs once it has ended.
    rig.said();
    const auto shown = rig.shown;
    rig.contest.tick();
    rig.contest.finish();
    rig.contest.askQuestion();
    rig.answer(u"5"_s);
    QCOMPARE(rig.dialogs.messages.size(), 3);
    QCOMPARE(rig.said(), QStringList());
    QCOMPARE(rig.shown, shown);
}

void TestContest::otherTables_data()
{
    QTest::addColumn<int>("table");
    QTest::addColumn<QString>("named"); // in the instructions
    QTest::addColumn<QString>("product"); // table x 7
    QTest::addColumn<QString>("gradient"); // red, green

    QTest::newRow("1") << 1 << u"con la tabellina dell'1. Io detto"_s << u"7"_s << u"20 20"_s;
    QTest::newRow("2") << 2 << u"con la tabellina del 2. Io detto"_s << u"14"_s << u"40 20"_s;
    QTest::newRow("7") << 7 << u"con la tabellina del 7. Io detto"_s << u"49"_s << u"140 20"_s;
    QTest::newRow("8") << 8 << u"con la tabellina dell'8. Io detto"_s << u"56"_s << u"160 20"_s;
    QTest::newRow("10") << 10 << u"con la tabellina del 10. Io detto"_s << u"70"_s << u"200 20"_s;
}

void TestContest::otherTables()
{
    QFETCH(int, table);
    QFETCH(QString, named);
    QFETCH(QString, product);
    QFETCH(QString, gradient);

    ContestRig rig(table);
    rig.start(u"Teo"_s, 7);
    const QString factor = QString::number(table);
    const QStringList said = rig.said();
    // The instructions name the table; the rest is the 5's text word for word.
    const QString instructions = said.value(said.indexOf(u"Play Announce"_s) + 2);
    QVERIFY2(instructions.contains(named), qPrintable(instructions));
    QCOMPARE(instructions.mid(6).replace(named, u"con la tabellina del 5. Io detto"_s),
        Contest::Instructions);
    QCOMPARE(said.mid(said.size() - 3),
        (QStringList { u"Speak "_s + factor, u"Speak per"_s, u"Speak sette"_s }));
    QCOMPARE(rig.shown[u"gradient"_s], gradient);
    QCOMPARE(rig.contest.question().product.value(), product.toInt());

    // A click on the wizard repeats this table's question.
    rig.agent.merlin().click();
    QCOMPARE(rig.said(), (QStringList { u"Speak "_s + factor, u"Speak per"_s, u"Speak sette"_s }));

    // The 5's product is wrong here, unless it is the same number.
    rig.answer(u"35"_s);
    QCOMPARE(rig.shown[u"verdict"_s], u"red: Sbagliato!! "_s + product);
    rig.next(7);
    rig.answer(product);
    QCOMPARE(rig.shown[u"verdict"_s], u"blue: Esatto. Sei forte!!!"_s);

    // The record goes to the table's own files; the 5's are not made.
    rig.dialogs.names.clear();
    rig.contest.finish();
    const QString a = u"azentrec%1.txt"_s.arg(table), n = u"nzentrec%1.txt"_s.arg(table);
    QCOMPARE(rig.bytes(qPrintable(a)), QByteArray("1\r\n"));
    QCOMPARE(rig.bytes(qPrintable(n)), QByteArray("Teo\r\n"));
    QCOMPARE(rig.bytes("azentrec5.txt"), QByteArray("<missing>"));
    QCOMPARE(rig.bytes("nzentrec5.txt"), QByteArray("<missing>"));
}

// The 3 and the 9 of the week: the wizard names both, the questions mix
// them, and their record is kept apart from each table's.
void TestContest::weeksTables()
{
    ContestRig rig(3);
    rig.contest.setTables({ 9, 3 });
    rig.start(u"Carla"_s, 7); // the table's draw, none left: 0, the first
    QVERIFY(rig.said().contains(u"Speak "_s + Contest::instructions(QList<int> { 3, 9 })));
    QVERIFY(Contest::instructions(QList<int> { 3, 9 }).contains(u"le tabelline del 3 e del 9."_s));
    QCOMPARE(rig.contest.question().product.value(), 21);
    QStringList asked;
    for (const float table : { 0.2f, 0.7f, 0.49f, 0.5f }) {
        rig.random.draws << 0.05f << 0.05f << table;
        rig.contest.askQuestion();
        asked << QString::number(rig.contest.question().factor.value());
    }
    QCOMPARE(asked, (QStringList { u"3"_s, u"9"_s, u"3"_s, u"9"_s }));
    rig.answer(u"9"_s);
    rig.contest.finish();
    QCOMPARE(rig.bytes("tabelline-3-9/azentrec3.txt"), QByteArray("1\r\n"));
    QCOMPARE(
        rig.bytes("azentrec9.txt") + rig.bytes("azentrec3.txt"), QByteArray("<missing><missing>"));
    // A ripasso's words name them too.
    QVERIFY(Contest::practiceInstructions({ 3, 9 }).contains(
        u"Ti chiedo le tabelline del 3 e del 9."_s));
}

QTEST_GUILESS_MAIN(TestContest)
#include "test_contest.moc"
