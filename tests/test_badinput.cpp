// Bad input, each case with the outcome the child (or the next run) sees:
// odd names through start-up and through a stored record read back by the
// next run, odd answers, and odd or unusable record files.

#include "support/tavolatest.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QInputMethodEvent>

using namespace Zentovia;
using namespace Zentovia::Testing;
using namespace Qt::StringLiterals;

namespace {

enum class Entry { Typed, Pasted, InputMethod };
enum class Blocked {
    PointsAtStart,
    NameAtStart,
    DataHomeIsFile,
    RecordDirIsFile,
    PointsAtEnd,
    NameAtEnd
};

// The contest's end with one right answer (5 x 1): a record against empty
// or lower points.
void winOneAndEnd(TavolaRig &rig)
{
    rig.answer(u"5"_s);
    rig.contest().finish();
}

} // namespace

Q_DECLARE_METATYPE(Entry)
Q_DECLARE_METATYPE(Blocked)

class TestBadInput : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void names_data();
    void names();
    void answers_data();
    void answers();
    void recordFiles_data();
    void recordFiles();
    void unusableRecordPlace_data();
    void unusableRecordPlace();
};

void TestBadInput::names_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("player");

    QTest::newRow("empty") << QString() << u"Amico"_s;
    QTest::newRow("blanks") << u"    "_s << u"    "_s;
    QTest::newRow("1,000 characters") << QString(1000, u'à') << QString(1000, u'à');
    QTest::newRow("emoji") << u"Leo 🦁🧙‍♂️"_s << u"Leo 🦁🧙‍♂️"_s;
    QTest::newRow("right to left") << u"مريم"_s << u"مريم"_s;
    QTest::newRow("mixed directions") << u"Anna \u202Eאבג"_s << u"Anna \u202Eאבג"_s;
    // Latin, Greek, Cyrillic and Chinese together: no 8-bit code page has them all.
    QTest::newRow("no 8-bit code page") << u"Łukasz Ωμέγα Жора 王"_s << u"Łukasz Ωμέγα Жора 王"_s;
    QTest::newRow("control characters") << u"A\tB\u0001"_s << u"A\tB\u0001"_s;
}

void TestBadInput::names()
{
    QFETCH(QString, typed);
    QFETCH(QString, player);

    QSize windowSize;
    {
        TavolaRig usual;
        usual.start(u"Ada"_s);
        windowSize = usual.tavola->size();
    }
    TavolaRig first;
    first.random.nextQuestion(1);
    first.start(typed);
    QCOMPARE(first.dialogs.messages.value(0), u' ' + typed + u" vediamo se sei un vero campione  ");
    QCOMPARE(first.text(Role::Player), player);
    QCOMPARE(first.text(Role::PlayerField), player);
    // However long the name, the window keeps its size.
    QCOMPARE(first.tavola->size(), windowSize);

    winOneAndEnd(first);
    QCOMPARE(first.exitStatus, 0);
    QCOMPARE(first.bytes(first.pointsFile()), QByteArray("1\r\n"));
    QCOMPARE(first.bytes(first.nameFile()), player.toUtf8() + "\r\n");

    // The next run on the same machine reads the record back as it was.
    TavolaRig second;
    qputenv("XDG_DATA_HOME", QFile::encodeName(first.home.path()));
    second.random.nextQuestion(2);
    second.start(u"Bea"_s);
    QCOMPARE(second.text(Role::RecordHolder), player + u"\r\n");
    QCOMPARE(second.text(Role::RecordPoints), u"1\r\n"_s);
    // A tie stores nothing; the stored name stays whole.
    second.answer(u"10"_s);
    second.contest().finish();
    QCOMPARE(second.dialogs.messages.size(), 2);
    QCOMPARE(second.bytes(first.nameFile()), player.toUtf8() + "\r\n");
}

void TestBadInput::answers_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<Entry>("entry");
    QTest::addColumn<QString>("inBox");
    QTest::addColumn<bool>("right");

    const QString digits250 = u"35"_s + QString(248, u'5');
    QTest::newRow("250 characters") << digits250 << Entry::Typed << digits250 << false;
    QTest::newRow("251 typed, 250 kept") << digits250 + u'7' << Entry::Typed << digits250 << false;
    QTest::newRow("letters") << u"XXXV"_s << Entry::Typed << u"XXXV"_s << false;
    QTest::newRow("only blanks") << u"   "_s << Entry::Typed << u"   "_s << false;
    QTest::newRow("pasted right answer") << u"35"_s << Entry::Pasted << u"35"_s << true;
    QTest::newRow("pasted words") << u"trentacinque 35"_s << Entry::Pasted << u"trentacinque 35"_s
                                  << false;
    QTest::newRow("pasted 300 characters")
        << QString(300, u'3') << Entry::Pasted << QString(250, u'3') << false;
    QTest::newRow("pasted with line end") << u"35\n"_s << Entry::Pasted << u"35\n"_s << false;
    QTest::newRow("pasted emoji") << u"3️⃣5️⃣"_s << Entry::Pasted << u"3️⃣5️⃣"_s
                                  << false;
    QTest::newRow("input method, right") << u"35"_s << Entry::InputMethod << u"35"_s << true;
    QTest::newRow("input method, full-width digits")
        << u"３５"_s << Entry::InputMethod << u"３５"_s << false;
    QTest::newRow("input method, 400 characters")
        << QString(400, u'5') << Entry::InputMethod << QString(250, u'5') << false;
}

void TestBadInput::answers()
{
    QFETCH(QString, input);
    QFETCH(Entry, entry);
    QFETCH(QString, inBox);
    QFETCH(bool, right);

    TavolaRig rig;
    rig.random.nextQuestion(7);
    rig.start();
    auto *box = rig.control<QLineEdit>(Role::AnswerBox);
    switch (entry) {
    case Entry::Typed:
        QTest::keyClicks(box, input);
        break;
    case Entry::Pasted:
        QGuiApplication::clipboard()->setText(input);
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        break;
    case Entry::InputMethod: {
        QInputMethodEvent commit;
        commit.setCommitString(input);
        QCoreApplication::sendEvent(box, &commit);
        break;
    }
    }
    QCOMPARE(box->text(), inBox);

    // Enter, and Enter again and again: the answer is judged, and only once.
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(rig.text(Role::Verdict), right ? u"Esatto. Sei forte!!!"_s : u"Sbagliato!! 35"_s);
    QCOMPARE(rig.contest().correctCount(), right ? 1 : 0);
    QCOMPARE(rig.contest().wrongCount(), right ? 0 : 1);
    QCOMPARE(rig.text(Role::TotalCount), u"1"_s);
    QCOMPARE(rig.tavola->focusWidget(), rig.control<QPushButton>(Role::NextButton));
}

void TestBadInput::recordFiles_data()
{
    QTest::addColumn<QByteArray>("points");
    QTest::addColumn<QString>("shown"); // lblpunti at start-up
    QTest::addColumn<bool>("beaten"); // by one right answer

    QByteArray huge(1024 * 1024, '9');
    QByteArray hugeAfterThree = "3\r\n" + QByteArray(1024 * 1024, 'x');
    QByteArray binary;
    for (int b = 0; b < 256; ++b)
        binary += char(b);

    QTest::newRow("empty") << QByteArray() << QString() << true;
    QTest::newRow("letters") << QByteArray("dodici\r\n") << u"dodici\r\n"_s << true;
    QTest::newRow("blanks inside") << QByteArray(" 1 2\r\n") << u" 1 2\r\n"_s << false;
    QTest::newRow("past 32767") << QByteArray("40000\r\n") << u"40000\r\n"_s << false;
    QTest::newRow("past any count") << QByteArray(400, '9') << QString(400, u'9') << false;
    QTest::newRow("negative, beaten by 0 too") << QByteArray("-5\r\n") << u"-5\r\n"_s << true;
    QTest::newRow("huge, digits") << huge << QString(64 * 1024, u'9') << false;
    QTest::newRow("huge, 3 then junk")
        << hugeAfterThree << QString::fromLatin1(hugeAfterThree.left(64 * 1024)) << false;
    QTest::newRow("binary bytes") << binary << QString::fromUtf8(binary) << true;
    QTest::newRow("invalid UTF-8 around digits")
        << QByteArray("\xff\xfe"
                      "7\r\n")
        << QString(2, QChar::ReplacementCharacter) + u"7\r\n"_s << true;
    QTest::newRow("invalid UTF-8 inside digits")
        << QByteArray("4\xc3"
                      "2\r\n")
        << u"4"_s + QChar::ReplacementCharacter + u"2\r\n"_s << false;
}

void TestBadInput::recordFiles()
{
    QFETCH(QByteArray, points);
    QFETCH(QString, shown);
    QFETCH(bool, beaten);

    TavolaRig rig;
    QVERIFY(QDir().mkpath(rig.recordDir()));
    rig.write(rig.pointsFile(), points);
    rig.write(rig.nameFile(), points); // the name file just as odd
    rig.random.nextQuestion(1);
    rig.start(u"Ugo"_s);
    QCOMPARE(rig.text(Role::RecordPoints), shown);
    QCOMPARE(rig.text(Role::RecordHolder), shown);

    winOneAndEnd(rig);
    QCOMPARE(rig.exitStatus, 0);
    QCOMPARE(rig.dialogs.messages.size(), beaten ? 3 : 2);
    QCOMPARE(rig.bytes(rig.pointsFile()), beaten ? QByteArray("1\r\n") : points);
    QCOMPARE(rig.bytes(rig.nameFile()), beaten ? QByteArray("Ugo\r\n") : points);
}

// A folder where a record file should be, or a record folder that cannot be
// made: start-up stops with a Failure naming the place, or the end of contest
// does, leaving what it had not yet replaced as it was.
void TestBadInput::unusableRecordPlace_data()
{
    QTest::addColumn<Blocked>("blocked");
    QTest::addColumn<QString>("named"); // the end of the path the Failure names
    QTest::addColumn<QByteArray>("pointsAfter");
    QTest::addColumn<QByteArray>("nameAfter");

    QTest::newRow("folder as points file, start-up")
        << Blocked::PointsAtStart << u"zentovia/azentrec5.txt»"_s << QByteArray("<missing>")
        << QByteArray("<missing>");
    QTest::newRow("folder as name file, start-up")
        << Blocked::NameAtStart << u"zentovia/nzentrec5.txt»"_s << QByteArray()
        << QByteArray("<missing>");
    QTest::newRow("data folder is a file") << Blocked::DataHomeIsFile << u"data-home/zentovia»"_s
                                           << QByteArray("<missing>") << QByteArray("<missing>");
    QTest::newRow("record folder is a file") << Blocked::RecordDirIsFile << u"/zentovia»"_s
                                             << QByteArray("<missing>") << QByteArray("<missing>");
    QTest::newRow("folder as points file, end")
        << Blocked::PointsAtEnd << u"zentovia/azentrec5.txt»"_s << QByteArray("<missing>")
        << QByteArray("Bea\r\n");
    QTest::newRow("folder as name file, end") << Blocked::NameAtEnd << u"zentovia/nzentrec5.txt»"_s
                                              << QByteArray("1\r\n") << QByteArray("<missing>");
}

void TestBadInput::unusableRecordPlace()
{
    QFETCH(Blocked, blocked);
    QFETCH(QString, named);
    QFETCH(QByteArray, pointsAfter);
    QFETCH(QByteArray, nameAfter);

    TavolaRig rig;
    const QString dataHome = rig.home.filePath(u"data-home"_s);
    qputenv("XDG_DATA_HOME", QFile::encodeName(rig.home.path()));
    switch (blocked) {
    case Blocked::PointsAtStart:
        QVERIFY(QDir().mkpath(rig.pointsFile()));
        break;
    case Blocked::NameAtStart:
        QVERIFY(QDir().mkpath(rig.nameFile()));
        break;
    case Blocked::DataHomeIsFile:
        rig.write(dataHome, "x");
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
        break;
    case Blocked::RecordDirIsFile:
        rig.write(rig.recordDir(), "x");
        break;
    case Blocked::PointsAtEnd:
    case Blocked::NameAtEnd:
        QVERIFY(QDir().mkpath(rig.recordDir()));
        rig.write(rig.pointsFile(), "0\r\n");
        rig.write(rig.nameFile(), "Bea\r\n");
        break;
    }

    const bool atEnd = blocked == Blocked::PointsAtEnd || blocked == Blocked::NameAtEnd;
    rig.random.nextQuestion(1);
    rig.dialogs.names << u"Ugo"_s;
    try {
        rig.tavola->load();
        QVERIFY2(atEnd, "start-up raised no Failure");
        rig.tavola->show();
        rig.answer(u"5"_s);
        const QString file = blocked == Blocked::PointsAtEnd ? rig.pointsFile() : rig.nameFile();
        QFile::remove(file);
        QVERIFY(QDir().mkpath(file));
        rig.contest().finish();
        QFAIL("the end of contest raised no Failure");
    } catch (const Failure &failure) {
        QVERIFY2(failure.message().contains(named), qPrintable(failure.message()));
        QVERIFY2(failure.message().startsWith(u"Non riesco a "), qPrintable(failure.message()));
    }
    QVERIFY(!rig.exitStatus);
    if (!atEnd) {
        // The record line keeps the form's texts: nothing was read.
        QCOMPARE(rig.text(Role::RecordPoints), u"0"_s);
        QCOMPARE(rig.text(Role::RecordHolder), u"nome"_s);
    }
    QCOMPARE(rig.bytes(rig.pointsFile()), pointsAfter);
    QCOMPARE(rig.bytes(rig.nameFile()), nameAfter);
}

QTEST_MAIN(TestBadInput)
#include "test_badinput.moc"
