// The real program on a real desktop: a child types its name, answers a
// question right and one wrong, leaves with Alt+X, and the record is on disk;
// once on the keyboard, once by taps on the keypad on the screen.
// The same keys on three desktops (ZENTOVIA_DESKTOP, set by in-xvfb.sh): an
// X server alone, one with the openbox window manager, and Wayland. Keys are
// typed with xdotool; the window, the boxes, the wizard and the question are
// read off the screen, measured from the window wherever the desktop put it,
// and what a screen reader reads through the accessibility bus.

#include "accessibility.h"
#include "notebook/notebook.h"
#include "screen.h"
#include "support/privatepostgres.h"
#include "support/privatepulse.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>

using namespace Zentovia::EndToEnd;
using namespace Qt::StringLiterals;

namespace {

QString program()
{
    return qEnvironmentVariable("ZENTOVIA_PROGRAM");
}

QString desktop()
{
    return qEnvironmentVariable("ZENTOVIA_DESKTOP", QStringLiteral("bare"));
}

// Where the wizard stands, over the answer box, and the verdict's place:
// measured from the inside of the answer box.
QRect aboveAnswer(const QRect &answer)
{
    return QRect(answer.left(), answer.top() - 170, 260, 215);
}

QRect verdictPlace(const QRect &answer)
{
    return QRect(answer.left() + 214, answer.top() - 202, 330, 85);
}

QString run(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

bool xdotool(const QStringList &arguments)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    return tool.waitForFinished(30000) && tool.exitCode() == 0;
}

void key(const char *keys)
{
    QVERIFY(xdotool({ QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("40"),
        QString::fromLatin1(keys) }));
}

void type(const QString &text)
{
    QVERIFY(
        xdotool({ QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), text }));
}

// Polls the screen until found() gives something; nothing after timeoutMs.
template<typename T>
std::optional<T> waitFor(
    const std::function<std::optional<T>(const QImage &)> &found, int timeoutMs = 10000)
{
    QElapsedTimer clock;
    clock.start();
    do {
        if (auto result = found(grabScreen()))
            return result;
        QThread::msleep(100);
    } while (clock.elapsed() < timeoutMs);
    return std::nullopt;
}

bool waitUntil(const std::function<bool(const QImage &)> &holds, int timeoutMs = 10000)
{
    return waitFor<bool>(
        [&](const QImage &screen) -> std::optional<bool> {
            return holds(screen) ? std::optional<bool>(true) : std::nullopt;
        },
        timeoutMs)
        .has_value();
}

// The next box on screen, given a moment to take the keyboard. The previous
// box is not it, nor what is left of it while it goes: under Wayland its
// face stays on screen for a frame after its frame has gone, inside its old
// place.
std::optional<QRect> waitForBox(const std::optional<QRect> &previous = std::nullopt)
{
    auto found = waitFor<QRect>([&](const QImage &screen) {
        const auto b = box(screen);
        return b && !(previous && previous->contains(*b)) ? b : std::nullopt;
    });
    QThread::msleep(250);
    return found;
}

QByteArray bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Starts the program on this desktop with the given variables.
void start(
    QProcess &zentovia, const QMap<QString, QString> &variables, const QStringList &arguments = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (desktop() == u"wayland") {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        env.insert(QStringLiteral("WAYLAND_DISPLAY"),
            env.value(QStringLiteral("ZENTOVIA_WAYLAND_DISPLAY")));
    }
    // Read through the accessibility bus as a screen reader reads it.
    env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    for (auto it = variables.begin(); it != variables.end(); ++it)
        env.insert(it.key(), it.value());
    // A compositor may still show the last box of the run before for a
    // moment after its program has ended, and it would pass for this run's
    // name box.
    QVERIFY2(waitUntil([](const QImage &screen) { return !box(screen); }),
        "a box of the run before stays on screen");
    zentovia.setProcessEnvironment(env);
    zentovia.start(program(), arguments);
    QVERIFY(zentovia.waitForStarted());
}

// Types the name into the name box and closes the greeting; gives the
// greeting's place.
std::optional<QRect> getThroughStartUp(const QString &name)
{
    const auto nameBox = waitForBox();
    if (!nameBox)
        return std::nullopt;
    type(name);
    key("Return");
    const auto greeting = waitForBox(nameBox);
    if (greeting)
        key("Return");
    return greeting;
}

// The keypad on the screen, found by its keys' faces: the digits' 3 by 4
// block (0 across its bottom row), Cancella and Invio.
struct Keypad
{
    QRect digits;
    QRect erase;
    QRect enter;

    QPoint digit(int d) const
    {
        const int column = d == 0 ? 1 : (d - 1) % 3;
        const int row = d == 0 ? 3 : (d - 1) / 3;
        return digits.topLeft()
            + QPoint((2 * column + 1) * digits.width() / 6, (2 * row + 1) * digits.height() / 8);
    }
};

std::optional<Keypad> keypadOnScreen(const QImage &screen)
{
    const auto digits = areaOf(screen, 0xFFFFD27A, 5000);
    const auto erase = areaOf(screen, 0xFFFFA8A8, 1000);
    const auto enter = areaOf(screen, 0xFF98E698, 1000);
    if (!digits || !erase || !enter)
        return std::nullopt;
    return Keypad { *digits, *erase, *enter };
}

// A finger's tap, as a click. The pointer gets there first: under Wayland a
// click sent with the move was seen to land where the pointer had been.
void tap(const QPoint &at)
{
    QVERIFY(xdotool({ QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
        QStringLiteral("sleep"), QStringLiteral("0.1"), QStringLiteral("click"),
        QStringLiteral("1") }));
    QThread::msleep(80);
}

// The child's hands: on the keyboard, or on the keypad on the screen.
struct Hands
{
    std::optional<Keypad> keys;

    void digits(const QString &text) const
    {
        if (!keys)
            return type(text);
        for (const QChar digit : text)
            tap(keys->digit(digit.digitValue()));
    }
    void erase() const { keys ? tap(keys->erase.center()) : key("BackSpace"); }
    void enter() const { keys ? tap(keys->enter.center()) : key("Return"); }
};

// A first key shows the question line, clear of his balloon; the question
// read off the screen is answered rightly, and the verdict comes in blue.
void answerRightly(const QRect &answer, int table, const Hands &hands = {})
{
    hands.digits(QStringLiteral("1"));
    const auto multiplier
        = waitFor<int>([&](const QImage &screen) { return readMultiplier(screen, answer); }, 5000);
    QVERIFY2(multiplier, "the question cannot be read off the screen");
    qInfo("the question is %d x %d", table, *multiplier);
    hands.erase();
    hands.digits(QString::number(table * *multiplier));
    hands.enter();
    QVERIFY2(waitUntil([&](const QImage &screen) {
        return pixelsOf(screen, verdictPlace(answer), 0xFF0000FF) > 30;
    }),
        "no verdict for the right answer");
}

// The program as a screen reader reads it, once it holds an object such as
// wanted; nothing after ten seconds.
std::optional<QList<Accessible>> readOnceItHolds(
    const std::function<bool(const Accessible &)> &wanted)
{
    QElapsedTimer clock;
    clock.start();
    do {
        const auto read = readAccessible(QStringLiteral("zentovia"));
        if (read && std::any_of(read->begin(), read->end(), wanted))
            return read;
        QThread::msleep(200);
    } while (clock.elapsed() < 10000);
    return std::nullopt;
}

bool isAnswerBox(const Accessible &object)
{
    return object.name == u"Risultato";
}

// While a question is asked a screen reader reads it whole in the answer box,
// and neither the hidden fields nor the product; Alt+N, with Nuovo calcolo
// still disabled, types nothing into the box.
void checkWhatIsReadOfTheQuestion()
{
    const auto read = readOnceItHolds(
        [](const Accessible &o) { return isAnswerBox(o) && o.description.startsWith(u"5 per "); });
    QVERIFY2(read, "no question in the answer box for a screen reader");
    const Accessible box = *std::find_if(read->begin(), read->end(), isAnswerBox);
    const int multiplier = box.description.section(u' ', 2).toInt();
    qInfo("a screen reader reads the question \"%s\"", qPrintable(box.description));
    const QString product = QString::number(5 * multiplier);
    for (const Accessible &object : *read) {
        QVERIFY2(isAnswerBox(object) || object.role != box.role, qPrintable(object.text));
        QVERIFY(object.name != u"verifica");
        // 5 x 1's product is the factor's own text.
        QVERIFY2(multiplier == 1 || (object.name != product && object.text != product),
            qPrintable(object.role + QStringLiteral(": ") + object.name));
    }
    type(QStringLiteral("1"));
    key("alt+n");
    type(QStringLiteral("2"));
    const auto typed = readOnceItHolds(
        [](const Accessible &o) { return isAnswerBox(o) && o.text.endsWith(u'2'); });
    QVERIFY2(typed, "the answer box did not take the keys");
    QCOMPARE(std::find_if(typed->begin(), typed->end(), isAnswerBox)->text, QStringLiteral("12"));
    key("BackSpace");
    key("BackSpace");
}

// While the next question is asked, no event of the accessibility bus
// carries its product, and only the answer box tells a text; a screen reader
// reads the question in the answer box.
void checkNoEventTellsTheProduct(const Hands &hands)
{
    BusEvents events;
    QTest::qWait(500); // the program hears that a screen reader listens
    events.take();
    hands.enter(); // the next question
    QTest::qWait(3000); // the wizard says it
    const auto read = readOnceItHolds(
        [](const Accessible &o) { return isAnswerBox(o) && o.description.startsWith(u"5 per "); });
    QVERIFY2(read, "no question in the answer box for a screen reader");
    const int multiplier = std::find_if(read->begin(), read->end(), isAnswerBox)
                               ->description.section(u' ', 2)
                               .toInt();
    const QString product = QString::number(5 * multiplier);
    const QList<BusEvents::Event> heard = events.take();
    QVERIFY(!heard.isEmpty());
    for (const BusEvents::Event &event : heard) {
        if (multiplier != 1)
            QVERIFY2(!event.said.split(QRegularExpression(u"\\D+"_s)).contains(product),
                qPrintable(event.kind + u": "_s + event.said));
        if (event.kind == u"TextChanged")
            QCOMPARE(events.nameOf(event), u"Risultato"_s);
    }
}

// Past the name box and the greeting, the failure box; once it is closed the
// program ends with status 1, naming what failed on stderr.
void endsWithFailureNaming(QProcess &zentovia, const QString &what)
{
    const auto greeting = getThroughStartUp(QStringLiteral("Ada"));
    QVERIFY2(greeting, "no name box or greeting");
    QVERIFY2(waitForBox(greeting), "no failure box");
    key("Return");
    QVERIFY(zentovia.waitForFinished(20000));
    QCOMPARE(zentovia.exitCode(), 1);
    const QString said = QString::fromUtf8(zentovia.readAllStandardError());
    QVERIFY2(said.contains(what), qPrintable(said));
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void contestSetsRecord_data();
    void contestSetsRecord();
    void otherTableKeepsItsOwnRecord();
    void childsOwnTime();
    void classAssignment();
    void secondsAsHeard();
    void unwritableRecordEndsWithStatusOne();
    void brokenCharacterFile_data();
    void brokenCharacterFile();
    void fitsTheScreen_data();
    void fitsTheScreen();

private:
    // Under a window manager: the window's id, its title bar on screen, a
    // move, and the end-of-contest boxes with the window minimized.
    QString mainWindow();
    void checkTitleBarOnScreen(const QString &window);
    void checkMoveTakesTheWizard(const QString &window, QRect &answer);
    void checkBoxesAboveTheWizard(const QString &window, const QRect &farewell);
};

void TestEndToEnd::initTestCase()
{
    QVERIFY2(QFile::exists(program()), "ZENTOVIA_PROGRAM names no program");
    QVERIFY2(
        !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty(), "xdotool is missing");
    qInfo("desktop: %s", qPrintable(desktop()));
}

void TestEndToEnd::contestSetsRecord_data()
{
    QTest::addColumn<bool>("byTaps");
    QTest::newRow("keyboard") << false;
    QTest::newRow("keypad") << true; // --tastierino, and taps on its keys
}

void TestEndToEnd::contestSetsRecord()
{
    QFETCH(bool, byTaps);
    QTemporaryDir home;
    QProcess zentovia;
    const QMap<QString, QString> variables { { QStringLiteral("XDG_DATA_HOME"), home.path() } };
    start(zentovia, variables,
        byTaps ? QStringList { QStringLiteral("--tastierino") } : QStringList());
    QVERIFY2(getThroughStartUp(QStringLiteral("Mario Rossi")), "no name box or greeting");
    auto answer = waitFor<QRect>(
        [](const QImage &screen) { return box(screen) ? std::nullopt : answerBox(screen); });
    QVERIFY2(answer, "no window");
    qInfo("answer box at %d,%d", answer->x(), answer->y());
    const QString dir = home.filePath(QStringLiteral("zentovia"));
    QCOMPARE(bytes(dir + QStringLiteral("/azentrec5.txt")), QByteArray());

    // The wizard flies to his place over the answer box.
    QVERIFY2(waitUntil([&](const QImage &screen) {
        return wizardPixels(screen, aboveAnswer(*answer)) > 1000;
    }),
        "the wizard is not over the answer box");
    const QString window = desktop() == u"openbox" && !byTaps ? mainWindow() : QString();
    if (!window.isEmpty()) {
        checkTitleBarOnScreen(window);
        checkMoveTakesTheWizard(window, *answer);
        if (QTest::currentTestFailed())
            return;
    }
    Hands hands;
    if (byTaps) {
        hands.keys = waitFor<Keypad>(keypadOnScreen);
        QVERIFY2(hands.keys, "no keypad");
        const QRect pad = hands.keys->digits.united(hands.keys->enter);
        QVERIFY(grabScreen().rect().contains(pad));
        // Clear of the answer box, and of "Nuovo calcolo" and Exit below it.
        QVERIFY(!pad.intersects(answer->adjusted(0, 0, 0, 100)));
    }

    checkWhatIsReadOfTheQuestion();
    if (QTest::currentTestFailed())
        return;
    answerRightly(*answer, 5, hands);
    if (QTest::currentTestFailed())
        return;
    // A screen reader reads each count with what it counts.
    QVERIFY2(readOnceItHolds([](const Accessible &o) { return o.name == u"Risposte esatte: 1"; }),
        "no count of right answers for a screen reader");
    checkNoEventTellsTheProduct(hands);
    if (QTest::currentTestFailed())
        return;
    // Every key types its digit.
    hands.digits(QStringLiteral("1234567890"));
    QVERIFY2(readOnceItHolds(
                 [](const Accessible &o) { return isAnswerBox(o) && o.text == u"1234567890"; }),
        "the keys did not type their digits");
    hands.enter(); // wrong, in red
    QVERIFY2(waitUntil([&](const QImage &screen) {
        return pixelsOf(screen, verdictPlace(*answer), 0xFFFF0000) > 30;
    }),
        "no verdict for the wrong answer");

    key("alt+x");
    const auto farewell = waitForBox();
    QVERIFY2(farewell, "no farewell");
    if (!window.isEmpty()) {
        checkBoxesAboveTheWizard(window, *farewell);
        if (QTest::currentTestFailed())
            return;
    }
    key("Return"); // the farewell
    QVERIFY2(waitForBox(farewell), "no word of the record");
    key("Return"); // the record
    QVERIFY(zentovia.waitForFinished(20000));
    QCOMPARE(zentovia.exitStatus(), QProcess::NormalExit);
    QCOMPARE(zentovia.exitCode(), 0);
    QCOMPARE(bytes(dir + QStringLiteral("/azentrec5.txt")), QByteArray("1\r\n"));
    QCOMPARE(bytes(dir + QStringLiteral("/nzentrec5.txt")), QByteArray("Mario Rossi\r\n"));

    if (!byTaps || desktop() != u"bare")
        return;
    // The child who played with the keypad finds it again by itself.
    QProcess again;
    start(again, variables);
    QVERIFY2(getThroughStartUp(QStringLiteral("mario rossi")), "no name box or greeting");
    QVERIFY2(waitFor<Keypad>(keypadOnScreen), "no keypad for the child who played with it");
    again.kill();
    again.waitForFinished();
}

// The 7 times table: its question, its product, and its record in files of
// its own beside the 5's, which stay as they were.
void TestEndToEnd::otherTableKeepsItsOwnRecord()
{
    if (desktop() != u"bare")
        QSKIP("one desktop is enough for the other tables");
    QTemporaryDir home;
    const QString dir = home.filePath(QStringLiteral("zentovia"));
    QVERIFY(QDir().mkpath(dir));
    const QByteArray fivePoints("3\r\n"), fiveHolder("Bea\r\n");
    for (const auto &[name, content] : { std::pair { "/azentrec5.txt", fivePoints },
             std::pair { "/nzentrec5.txt", fiveHolder } }) {
        QFile file(dir + QLatin1StringView(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QProcess zentovia;
    start(zentovia, { { QStringLiteral("XDG_DATA_HOME"), home.path() } },
        { QStringLiteral("--tabellina"), QStringLiteral("7") });
    QVERIFY2(getThroughStartUp(QStringLiteral("Sette")), "no name box or greeting");
    auto answer = waitFor<QRect>(
        [](const QImage &screen) { return box(screen) ? std::nullopt : answerBox(screen); });
    QVERIFY2(answer, "no window");
    answerRightly(*answer, 7);
    if (QTest::currentTestFailed())
        return;
    key("alt+x");
    const auto farewell = waitForBox();
    QVERIFY2(farewell, "no farewell");
    key("Return"); // the farewell
    QVERIFY2(waitForBox(farewell), "no word of the record");
    key("Return"); // the record
    QVERIFY(zentovia.waitForFinished(20000));
    QCOMPARE(zentovia.exitCode(), 0);
    QCOMPARE(bytes(dir + QStringLiteral("/azentrec7.txt")), QByteArray("1\r\n"));
    QCOMPARE(bytes(dir + QStringLiteral("/nzentrec7.txt")), QByteArray("Sette\r\n"));
    QCOMPARE(bytes(dir + QStringLiteral("/azentrec5.txt")), fivePoints);
    QCOMPARE(bytes(dir + QStringLiteral("/nzentrec5.txt")), fiveHolder);

    // The child's notebook kept the answer: the export shows it.
    QProcess exporter;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
    exporter.setProcessEnvironment(env);
    exporter.start(program(), { QStringLiteral("--esporta") });
    QVERIFY(exporter.waitForFinished(10000));
    QCOMPARE(exporter.exitCode(), 0);
    const QStringList lines
        = QString::fromUtf8(exporter.readAllStandardOutput()).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 3); // the header, the answer, nothing after the last line end
    const QStringList fields = lines.at(1).split(u';');
    QCOMPARE(fields.mid(2, 2), (QStringList { QStringLiteral("Sette"), QStringLiteral("7") }));
    QCOMPARE(fields.at(5).toInt(), 7 * fields.at(4).toInt());
    QCOMPARE(fields.at(6), QStringLiteral("giusta"));
    QCOMPARE(fields.at(8), QStringLiteral("gara"));
}

// A child's own time, as a parent set it in the notebook, is the clock of
// the child's contest.
void TestEndToEnd::childsOwnTime()
{
    if (desktop() != u"bare")
        QSKIP("one desktop is enough for a child's time");
    QTemporaryDir home;
    Zentovia::Notebook notebook(home.filePath(QStringLiteral("zentovia/quaderno.sqlite")));
    QVERIFY(notebook.settings().setContestMinutes(QStringLiteral("Ugo"), 10));
    QProcess zentovia;
    start(zentovia, { { QStringLiteral("XDG_DATA_HOME"), home.path() } });
    QVERIFY2(getThroughStartUp(QStringLiteral("ugo")), "no name box or greeting");
    QVERIFY2(readOnceItHolds([](const Accessible &o) { return o.name == u"10 minuti"; }),
        "no clock of ten minutes");
    zentovia.kill();
    zentovia.waitForFinished();
}

// The teacher assigns the 3 and the 9 to the class, until today, on a real
// server; the child's computer, once it has heard from the server, plays
// them mixed with no option, and keeps the record of that set apart.
void TestEndToEnd::classAssignment()
{
    if (!qEnvironmentVariableIsSet("ZENTOVIA_E2E_CLASS"))
        QSKIP("test_endtoend_classe runs it, on a server of its own");
    if (!PrivatePostgres::installed())
        QSKIP("PostgreSQL is not installed (scripts/install-deps)");
    PrivatePostgres postgres;
    QString why;
    QVERIFY2(postgres.start(&why) && postgres.createClass(u"classe_e2e"_s, &why)
            && !postgres
                    .sql(u"postgres"_s,
                        u"CREATE ROLE pc_e2e LOGIN IN ROLE zentovia_alunni;"
                        "CREATE ROLE maestra_e2e LOGIN IN ROLE zentovia_insegnanti"_s,
                        &why)
                    .isNull()
            && postgres.admit(u"classe_e2e"_s, { u"pc_e2e"_s, u"maestra_e2e"_s }, &why),
        qPrintable(why));
    QProcess teacher;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"ZENTOVIA_ARCHIVIO"_s, postgres.connection(u"classe_e2e"_s, u"maestra_e2e"_s));
    teacher.setProcessEnvironment(env);
    teacher.start(program(),
        { u"--classe"_s, u"assegna"_s, u"3,9"_s, u"--fino"_s,
            QDate::currentDate().toString(Qt::ISODate) });
    QVERIFY(teacher.waitForFinished(30000));
    QVERIFY2(teacher.exitCode() == 0, teacher.readAllStandardError().constData());

    QTemporaryDir home;
    const QMap<QString, QString> variables { { u"XDG_DATA_HOME"_s, home.path() },
        { u"ZENTOVIA_ARCHIVIO"_s, postgres.connection(u"classe_e2e"_s, u"pc_e2e"_s) } };
    QProcess first;
    start(first, variables);
    QVERIFY2(getThroughStartUp(u"Carla"_s), "no name box or greeting");
    Zentovia::Notebook notebook(home.filePath(u"zentovia/quaderno.sqlite"_s));
    QTRY_VERIFY_WITH_TIMEOUT(!notebook.settings().lastAssignment().isEmpty(), 20000);
    first.kill();
    first.waitForFinished();

    QProcess zentovia;
    start(zentovia, variables);
    QVERIFY2(getThroughStartUp(u"Carla"_s), "no name box or greeting");
    const QString title = run(u"xdotool"_s, { u"getwindowname"_s, mainWindow() });
    QVERIFY2(title.contains(u"le tabelline del 3 e del 9"), qPrintable(title));
    // Each question of the 3 or of the 9, until both have been asked.
    const QRegularExpression question(u"^(\\d+) per (\\d+)$"_s);
    QSet<int> asked;
    for (int n = 0; n < 14 && asked.size() < 2; ++n) {
        std::optional<QList<Accessible>> read;
        // The first after the wizard's opening words.
        for (int wait = 0; wait < (n == 0 ? 3 : 1) && !read; ++wait)
            read = readOnceItHolds([&](const Accessible &o) {
                return isAnswerBox(o) && o.text.isEmpty()
                    && question.match(o.description).hasMatch();
            });
        QVERIFY2(read, "no question for a screen reader");
        const auto match
            = question.match(std::find_if(read->begin(), read->end(), isAnswerBox)->description);
        qInfo("asked: %s", qPrintable(match.captured(0)));
        const int table = match.captured(1).toInt();
        QVERIFY2(table == 3 || table == 9, qPrintable(match.captured(0)));
        asked.insert(table);
        type(QString::number(table * match.captured(2).toInt()));
        key("Return"); // the verdict
        key("Return"); // the next question
    }
    QCOMPARE(asked.size(), 2);
    key("alt+x");
    const auto farewell = waitForBox();
    QVERIFY2(farewell, "no farewell");
    key("Return");
    QVERIFY2(waitForBox(farewell), "no word of the record");
    key("Return");
    QVERIFY(zentovia.waitForFinished(20000));
    QVERIFY(QFileInfo::exists(home.filePath(u"zentovia/tabelline-3-9/azentrec3.txt"_s)));
    QVERIFY(!QFileInfo::exists(home.filePath(u"zentovia/azentrec3.txt"_s)));
}

// The seconds the notebook keeps for an answer are those from the end of
// the question's sound, as a real sound server played it, to Invio.
void TestEndToEnd::secondsAsHeard()
{
    if (desktop() != u"bare")
        QSKIP("one desktop is enough for the seconds heard");
    if (!PrivatePulse::installed())
        QSKIP("pulseaudio is not installed (scripts/install-deps installs it)");
    PrivatePulse pulse;
    QString why;
    QVERIFY2(pulse.start(&why), qPrintable(why));
    constexpr int rate = 16000;
    constexpr int window = rate / 50; // 20 ms
    Recording recording(pulse.server(), PrivatePulse::monitor(), rate);
    QVERIFY2(recording.start(&why), qPrintable(why));
    QTemporaryDir home;
    QProcess zentovia;
    start(zentovia, { { u"XDG_DATA_HOME"_s, home.path() }, { u"PULSE_SERVER"_s, pulse.server() } });
    QVERIFY2(getThroughStartUp(u"Ugo"_s), "no name box or greeting");
    // Once the balloon shows the question's last word, the sound's end is
    // the end of the last loud 20 ms once a second of silence follows (the
    // words are up to 0.6 s apart).
    const QStringList words = u"uno due tre quattro cinque sei sette otto nove dieci"_s.split(u' ');
    QElapsedTimer clock;
    clock.start();
    std::optional<qint64> endMs;
    bool lastWordShown = false;
    while (!endMs && clock.elapsed() < 60000) {
        QString question, balloon;
        for (const Accessible &o : readAccessible(u"zentovia"_s).value_or(QList<Accessible> {})) {
            question = o.name == u"Risultato" ? o.description : question;
            balloon = o.description == u"Il fumetto del mago" ? o.name : balloon;
        }
        lastWordShown = lastWordShown
            || (question.startsWith(u"5 per ")
                && balloon == words.value(question.mid(6).toInt() - 1));
        const QByteArray pcm = recording.soFar();
        const qint64 nowMs = clock.elapsed();
        const auto *samples = reinterpret_cast<const qint16 *>(pcm.constData());
        const qint64 count = pcm.size() / 2;
        qint64 loudEnd = -1;
        for (qint64 start = 0; start + window <= count; start += window) {
            double sum = 0;
            for (qint64 i = start; i < start + window; ++i)
                sum += double(samples[i]) * samples[i];
            if (std::sqrt(sum / window) > 500)
                loudEnd = start + window;
        }
        if (lastWordShown && loudEnd > 0 && count - loudEnd >= rate)
            endMs = nowMs - (count - loudEnd) * 1000 / rate;
        QThread::msleep(20);
    }
    QVERIFY2(endMs, "the question's sound never ends");
    type(u"1"_s);
    while (clock.elapsed() < *endMs + 2000)
        QThread::msleep(1);
    const qint64 enterMs = clock.elapsed();
    key("Return");
    // The answer as the notebook keeps it, once it is written.
    QStringList fields;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_DATA_HOME"_s, home.path());
    for (int tries = 0; tries < 50 && fields.size() < 8; ++tries) {
        QThread::msleep(200);
        QProcess exporter;
        exporter.setProcessEnvironment(env);
        exporter.start(program(), { u"--esporta"_s });
        exporter.waitForFinished(10000);
        fields = QString::fromUtf8(exporter.readAllStandardOutput())
                     .split(u"\r\n"_s)
                     .value(1)
                     .split(u';');
    }
    zentovia.kill();
    zentovia.waitForFinished();
    const double stored = fields.value(7).replace(u',', u'.').toDouble();
    const double heard = (enterMs - *endMs) / 1000.0;
    qInfo("heard %.2f s, stored %.2f s", heard, stored);
    QVERIFY2(std::abs(stored - heard) <= 0.2, qPrintable(fields.join(u';')));
}

QString TestEndToEnd::mainWindow()
{
    return run(QStringLiteral("xdotool"),
        { QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
            QStringLiteral("ZENTOVIA") })
        .split(u'\n')
        .value(0);
}

void TestEndToEnd::checkTitleBarOnScreen(const QString &window)
{
    // The frame around the client (left, right, top, bottom) and where the
    // client is on the screen.
    const QString extents = run(QStringLiteral("xprop"),
        { QStringLiteral("-id"), window, QStringLiteral("_NET_FRAME_EXTENTS") });
    const QStringList frame = extents.section(u'=', 1).split(u',');
    QVERIFY2(frame.size() == 4, qPrintable(extents));
    QMap<QString, int> at;
    for (const QString &line :
        run(QStringLiteral("xwininfo"), { QStringLiteral("-id"), window }).split(u'\n'))
        at.insert(line.section(u':', 0, 0).trimmed(), line.section(u':', 1).toInt());
    const int top = frame.at(2).trimmed().toInt();
    const int y = at.value(QStringLiteral("Absolute upper-left Y")) - top;
    const int x = at.value(QStringLiteral("Absolute upper-left X")) - frame.at(0).trimmed().toInt();
    qInfo("title bar at %d,%d, %d high", x, y, top);
    QVERIFY2(top >= 15, qPrintable(extents)); // openbox draws a title bar
    QVERIFY2(y >= 0 && x >= 0, "the title bar is off the screen");
}

void TestEndToEnd::checkMoveTakesTheWizard(const QString &window, QRect &answer)
{
    // Dragged while he speaks: he goes with the window.
    const QRect screen = grabScreen().rect();
    const int x = answer.left() > screen.width() / 4 ? 0 : 150;
    QVERIFY(xdotool({ QStringLiteral("windowmove"), QStringLiteral("--sync"), window,
        QString::number(x), QStringLiteral("y") }));
    const auto moved = waitFor<QRect>([&](const QImage &shot) -> std::optional<QRect> {
        const auto now = answerBox(shot);
        return now && qAbs(now->left() - answer.left()) > 50 ? now : std::nullopt;
    });
    QVERIFY2(moved, "the window did not move");
    answer = *moved;
    QVERIFY2(waitUntil([&](const QImage &shot) {
        return wizardPixels(shot, aboveAnswer(answer)) > 1000;
    }),
        "the wizard stayed behind");
}

void TestEndToEnd::checkBoxesAboveTheWizard(const QString &window, const QRect &farewell)
{
    const QImage screen = grabScreen();
    qInfo("farewell box at %d,%d, %dx%d", farewell.x(), farewell.y(), farewell.width(),
        farewell.height());
    QVERIFY2(screen.rect().contains(farewell), "the farewell box is cut off");
    QCOMPARE(wizardPixels(screen, farewell), 0);
    // Minimized with the box open: the wizard goes with the window...
    QVERIFY(xdotool({ QStringLiteral("windowminimize"), QStringLiteral("--sync"), window }));
    QVERIFY2(waitUntil([](const QImage &shot) {
        return !answerBox(shot) && wizardPixels(shot, shot.rect()) == 0;
    }),
        "the wizard stays on screen");
    // ...and comes back with it; the box takes the keys again.
    QVERIFY(xdotool({ QStringLiteral("windowactivate"), QStringLiteral("--sync"), window }));
    QVERIFY2(waitForBox(), "the farewell box did not come back");
}

void TestEndToEnd::unwritableRecordEndsWithStatusOne()
{
    if (desktop() != u"openbox")
        QSKIP("start-up failures: under openbox only");
    QTemporaryDir home;
    const QString blocked = home.filePath(QStringLiteral("blocked"));
    QFile file(blocked);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QProcess zentovia;
    start(zentovia, { { QStringLiteral("XDG_DATA_HOME"), blocked } });
    endsWithFailureNaming(zentovia, blocked);
}

void TestEndToEnd::brokenCharacterFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("where"); // the desktop that runs the row
    QTest::newRow("missing") << QByteArray() << QStringLiteral("bare");
    QTest::newRow("not a picture")
        << QByteArray("questo non è un mago") << QStringLiteral("wayland");
    QTest::newRow("cut short") << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\"><g id=")
                               << QStringLiteral("bare");
}

void TestEndToEnd::brokenCharacterFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, where);
    if (desktop() != where)
        QSKIP("this case runs on another desktop");

    // The program's data folder, with the wizard's file missing or spoilt.
    QTemporaryDir home;
    const QString data = home.filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(data + QStringLiteral("/merlin")));
    const QString merlin = data + QStringLiteral("/merlin/merlin.svg");
    if (!content.isEmpty()) {
        QFile file(merlin);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QProcess zentovia;
    start(zentovia,
        { { QStringLiteral("XDG_DATA_HOME"), home.path() },
            { QStringLiteral("ZENTOVIA_DATA_DIR"), data } });
    endsWithFailureNaming(zentovia, merlin);
    if (QTest::currentTestFailed())
        return;
    // The record was made before the wizard was asked for, and is whole.
    QCOMPARE(bytes(home.filePath(QStringLiteral("zentovia/azentrec5.txt"))), QByteArray());
}

void TestEndToEnd::fitsTheScreen_data()
{
    QTest::addColumn<QString>("scale"); // the desktop's
    QTest::addColumn<bool>("keypad"); // once the child is named
    QTest::newRow("1") << QStringLiteral("1") << false;
    QTest::newRow("1.5") << QStringLiteral("1.5") << false;
    QTest::newRow("2") << QStringLiteral("2") << false;
    QTest::newRow("1.5, the keypad") << QStringLiteral("1.5") << true;
    QTest::newRow("2, the keypad") << QStringLiteral("2") << true;
}

// On a classroom's small screen every control is on the screen, at any scale.
void TestEndToEnd::fitsTheScreen()
{
    QFETCH(QString, scale);
    QFETCH(bool, keypad);
    const QRect screen = grabScreen().rect();
    if (screen.height() > 768)
        QSKIP("a small screen's test");
    QTemporaryDir home;
    QProcess zentovia;
    // Ugo played with the keypad on this computer: it comes once he is
    // named, in a window made before.
    if (keypad)
        QVERIFY(Zentovia::Notebook(home.filePath(u"zentovia/quaderno.sqlite"_s))
                    .settings()
                    .setUsesKeypad(u"Ugo"_s));
    start(zentovia,
        { { QStringLiteral("XDG_DATA_HOME"), home.path() },
            { QStringLiteral("QT_SCALE_FACTOR"), scale } });
    QVERIFY2(getThroughStartUp(QStringLiteral("Ugo")), "no name box or greeting");
    const auto answer = waitFor<QRect>(
        [](const QImage &shot) { return box(shot) ? std::nullopt : answerBox(shot); });
    QVERIFY2(answer, "no answer box on the screen");
    // The window grown for a keypad that came late is moved back on the
    // screen by the window manager: the controls as they settle.
    QStringList onScreen, offScreen;
    for (QElapsedTimer settling; !settling.isValid() || settling.elapsed() < 10000;) {
        if (!settling.isValid())
            settling.start();
        const auto read = readOnceItHolds([&](const Accessible &o) {
            return keypad ? o.name == u"Invio" : isAnswerBox(o) && !o.extents.isEmpty();
        });
        QVERIFY2(read, "no answer box for a screen reader");
        // The screen's pixels to one of the program's, from the answer box.
        const QRect boxExtents = std::find_if(read->begin(), read->end(), isAnswerBox)->extents;
        const qreal ratio = qreal(answer->width()) / boxExtents.width();
        onScreen.clear();
        offScreen.clear();
        for (const Accessible &object : *read) {
            if (object.extents.isEmpty() || object.name.isEmpty()
                || !QStringList { u"push button"_s, u"text"_s, u"label"_s }.contains(object.role))
                continue;
            const QRectF place(
                QPointF(object.extents.topLeft()) * ratio, QSizeF(object.extents.size()) * ratio);
            (QRectF(screen).adjusted(-1, -1, 1, 1).contains(place) ? onScreen : offScreen)
                << object.name;
        }
        if (offScreen.isEmpty())
            break;
        QThread::msleep(300);
    }
    qInfo("scale %s: the answer box %dx%d on the screen", qPrintable(scale), answer->width(),
        answer->height());
    QVERIFY2(offScreen.isEmpty(), qPrintable(offScreen.join(u", "_s) + u" off the screen"_s));
    for (const QString &control : { u"Nuovo calcolo"_s, u"Exit"_s, u"Risultato"_s, u"Ugo"_s,
             keypad ? u"Invio"_s : u"Exit"_s })
        QVERIFY2(onScreen.contains(control), qPrintable(control));
    zentovia.kill();
    zentovia.waitForFinished();
}

QTEST_MAIN(TestEndToEnd)
#include "test_endtoend.moc"
