// The real program in a real X server: a child types its name, answers a
// question right and one wrong, leaves with Alt+X, and the record is on disk.
// Keys are typed with xdotool; the question is read off the screen.

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <optional>

namespace {

QString program()
{
    return qEnvironmentVariable("ZENTOVIA_PROGRAM");
}

bool xdotool(const QStringList &arguments)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    return tool.waitForFinished(30000) && tool.exitCode() == 0;
}

// Waits for a window whose title matches the pattern; true when it is there.
bool waitForWindow(const QString &pattern, int seconds = 20)
{
    for (int i = 0; i < seconds * 4; ++i) {
        QProcess search;
        search.start(QStringLiteral("xdotool"),
            { QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                pattern });
        search.waitForFinished(5000);
        if (search.exitCode() == 0 && !search.readAllStandardOutput().trimmed().isEmpty())
            return true;
        QThread::msleep(250);
    }
    return false;
}

void key(const char *keys)
{
    QVERIFY(xdotool({ QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("80"),
        QString::fromLatin1(keys) }));
    QThread::msleep(300);
}

void type(const QString &text)
{
    QVERIFY(
        xdotool({ QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("60"), text }));
    QThread::msleep(300);
}

QByteArray bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// The multiplier of the question on screen: the second factor's box is the
// only pure cyan box right of the "X"; its digits are matched against the
// same digits drawn by the same fonts.
std::optional<int> readMultiplier()
{
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    const QColor cyan(0, 0xFF, 0xFF);
    auto isCyan = [&](int x, int y) {
        return screen.rect().contains(x, y) && screen.pixelColor(x, y) == cyan;
    };
    // The box's top-left corner: cyan, with no cyan left of it or above it.
    QPoint corner(-1, -1);
    for (int y = 0; y < 120 && corner.x() < 0; ++y)
        for (int x = 470; x < 560; ++x)
            if (isCyan(x, y) && !isCyan(x - 1, y) && !isCyan(x, y - 1) && isCyan(x + 20, y + 60)) {
                corner = QPoint(x, y);
                break;
            }
    if (corner.x() < 0)
        return std::nullopt;

    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(48);
    font.setBold(true);
    std::optional<int> best;
    double bestMismatch = std::numeric_limits<double>::max();
    for (int candidate = 1; candidate <= 10; ++candidate) {
        QLabel label(QString::number(candidate));
        label.setFont(font);
        label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
        QPalette pal = label.palette();
        pal.setColor(QPalette::WindowText, Qt::black);
        pal.setColor(QPalette::Window, cyan);
        label.setPalette(pal);
        label.setAutoFillBackground(true);
        label.resize(label.fontMetrics().horizontalAdvance(label.text()) + 4, 79);
        const QImage drawn = label.grab().toImage();
        qint64 mismatch = 0;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x) {
                const QPoint at = corner + QPoint(x, y);
                const QColor a = drawn.pixelColor(x, y);
                const QColor b
                    = screen.rect().contains(at) ? screen.pixelColor(at) : QColor(Qt::white);
                mismatch += qAbs(a.red() - b.red()) + qAbs(a.green() - b.green())
                    + qAbs(a.blue() - b.blue());
            }
        const double perPixel = double(mismatch) / (drawn.width() * drawn.height());
        if (perPixel < bestMismatch) {
            bestMismatch = perPixel;
            best = candidate;
        }
    }
    // Anything covering the digits (the wizard's balloon) spoils the match.
    if (bestMismatch > 10.0) {
        qInfo("question not readable yet (mismatch %.1f for %d)", bestMismatch, best.value_or(0));
        return std::nullopt;
    }
    qInfo("the question is 5 x %d (mismatch %.1f)", best.value_or(0), bestMismatch);
    return best;
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void contestSetsRecord();
    void unwritableRecordEndsWithStatusOne();
    void brokenCharacterFile_data();
    void brokenCharacterFile();
};

void TestEndToEnd::initTestCase()
{
    QVERIFY2(QFile::exists(program()), "ZENTOVIA_PROGRAM names no program");
    QVERIFY2(
        !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty(), "xdotool is missing");
}

void TestEndToEnd::contestSetsRecord()
{
    QTemporaryDir home;
    QProcess zentovia;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
    zentovia.setProcessEnvironment(env);
    zentovia.start(program(), {});
    QVERIFY(zentovia.waitForStarted());

    QVERIFY2(waitForWindow(QStringLiteral("^Zentovia$")), "no name box");
    type(QStringLiteral("Mario Rossi"));
    key("Return");
    key("Return"); // the greeting
    QVERIFY2(waitForWindow(QStringLiteral("ZENTOVIA")), "no window");
    const QString dir = home.filePath(QStringLiteral("zentovia"));
    QCOMPARE(bytes(dir + QStringLiteral("/azentrec5.txt")), QByteArray());

    // A first key shows the question line; the wizard's balloon may cover
    // it while he explains the game.
    type(QStringLiteral("1"));
    std::optional<int> multiplier;
    for (int tries = 0; tries < 120 && !multiplier; ++tries) {
        QThread::msleep(500);
        multiplier = readMultiplier();
    }
    QVERIFY2(multiplier, "the question cannot be read off the screen");
    key("BackSpace");
    type(QString::number(5 * *multiplier));
    key("Return"); // right
    key("Return"); // the next question
    type(QStringLiteral("0"));
    key("Return"); // wrong: no product of 5 is 0
    key("alt+x");
    QVERIFY(waitForWindow(QStringLiteral("^Zentovia$")));
    key("Return"); // the farewell
    key("Return"); // the record
    QVERIFY(zentovia.waitForFinished(20000));
    QCOMPARE(zentovia.exitStatus(), QProcess::NormalExit);
    QCOMPARE(zentovia.exitCode(), 0);
    QCOMPARE(bytes(dir + QStringLiteral("/azentrec5.txt")), QByteArray("1\r\n"));
    QCOMPARE(bytes(dir + QStringLiteral("/nzentrec5.txt")), QByteArray("Mario Rossi\r\n"));
}

// Starts the program with the given variables, gets through the name box and
// the greeting, and expects one failure box and status 1. The failure's
// line on stderr must name what failed.
static void expectFailureAtStartUp(const QMap<QString, QString> &variables, const QString &named)
{
    QProcess zentovia;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (auto it = variables.begin(); it != variables.end(); ++it)
        env.insert(it.key(), it.value());
    zentovia.setProcessEnvironment(env);
    zentovia.start(program(), {});
    QVERIFY(zentovia.waitForStarted());
    QVERIFY(waitForWindow(QStringLiteral("^Zentovia$")));
    type(QStringLiteral("Ada"));
    key("Return");
    key("Return"); // the greeting
    QVERIFY2(waitForWindow(QStringLiteral("^Zentovia$")), "no failure box");
    QThread::msleep(500);
    key("Return");
    QVERIFY(zentovia.waitForFinished(20000));
    QCOMPARE(zentovia.exitCode(), 1);
    const QString said = QString::fromUtf8(zentovia.readAllStandardError());
    QVERIFY2(said.contains(named), qPrintable(said));
}

void TestEndToEnd::unwritableRecordEndsWithStatusOne()
{
    QTemporaryDir home;
    const QString blocked = home.filePath(QStringLiteral("blocked"));
    QFile file(blocked);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    expectFailureAtStartUp({ { QStringLiteral("XDG_DATA_HOME"), blocked } }, blocked);
}

void TestEndToEnd::brokenCharacterFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("not a picture") << QByteArray("questo non è un mago");
    QTest::newRow("cut short") << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\"><g id=");
}

void TestEndToEnd::brokenCharacterFile()
{
    QFETCH(QByteArray, content);

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
    expectFailureAtStartUp({ { QStringLiteral("XDG_DATA_HOME"), home.path() },
                               { QStringLiteral("ZENTOVIA_DATA_DIR"), data } },
        merlin);
    if (QTest::currentTestFailed())
        return;
    // The record was made before the wizard was asked for, and is whole.
    QCOMPARE(bytes(home.filePath(QStringLiteral("zentovia/azentrec5.txt"))), QByteArray());
}

QTEST_MAIN(TestEndToEnd)
#include "test_endtoend.moc"
