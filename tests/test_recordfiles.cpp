#include "core/failure.h"
#include "record/recordfiles.h"
#include "support/asnobody.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <unistd.h>

using namespace Qt::StringLiterals;
using Zentovia::Failure;
namespace Record = Zentovia::Record;

namespace {

// The child modes of this executable. The first stores a new record ("99",
// "Nuovo") over the two files the way the end of contest does, points first,
// and stops for good at the stage it is given; the parent kills it there.
// The second stores numbered records in a loop until it is killed; the third
// stores its own record a given number of times.
constexpr char ChildStoreArgument[] = "--child-store-and-wait";
constexpr char ChildLoopArgument[] = "--child-store-loop";
constexpr char ChildRepeatArgument[] = "--child-store-repeat";
constexpr char ChildReady[] = "ready\n";

// Where the first child mode stops.
enum class Stage {
    PointsWritten, // the new points are written out, not yet in place
    BetweenFiles, // the points file is replaced, the name file not yet begun
    NameWritten, // the new name is written out, not yet in place
};

[[noreturn]] void waitForKill()
{
    std::fputs(ChildReady, stdout);
    std::fflush(stdout);
    for (;;)
        pause();
}

void storeAndWait(const QString &dir, Stage stage)
{
    const auto stopAt = [stage](Stage here) {
        return stage == here ? std::function<void()>(waitForKill) : std::function<void()>();
    };
    Record::storeWithHook(Record::pointsPath(dir), u"99"_s, stopAt(Stage::PointsWritten));
    if (stage == Stage::BetweenFiles)
        waitForKill();
    Record::storeWithHook(Record::namePath(dir), u"Nuovo"_s, stopAt(Stage::NameWritten));
}

// Record n is the points n and the name "Giocatore n", from first on.
[[noreturn]] void storeForever(const QString &dir, int first)
{
    std::fputs(ChildReady, stdout);
    std::fflush(stdout);
    for (int n = first;; ++n) {
        Record::store(Record::pointsPath(dir), QString::number(n));
        Record::store(Record::namePath(dir), u"Giocatore %1"_s.arg(n));
    }
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestRecordFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void firstRun();
    void createLeavesExistingFile();
    void systemDirHasOneSeparator_data();
    void systemDirHasOneSeparator();
    void paths_data();
    void paths();
    void storeAndRead_data();
    void storeAndRead();
    void readAsIs_data();
    void readAsIs();
    void unwritablePlace_data();
    void unwritablePlace();
    void readOnlyDirectory();
    void systemDirCannotBeMade();
    void hugeFileReadsFirst64KiB();
    void killWhileStoring_data();
    void killWhileStoring();
    void killAtAnyMoment();
    void twoProgramsStoreAtOnce();
    void leadingNumber_data();
    void leadingNumber();

private:
    QTemporaryDir m_home;
    QString m_dir; // the record's folder, as GetSystemDir() gives it
};

void TestRecordFiles::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.path()));
}

void TestRecordFiles::init()
{
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.path()));
}

void TestRecordFiles::firstRun()
{
    const QString recordDir = m_home.path() + u"/zentovia"_s;
    QVERIFY(!QFileInfo::exists(recordDir));

    m_dir = Record::GetSystemDir();
    QCOMPARE(m_dir, recordDir + u'/');
    QVERIFY(QFileInfo(recordDir).isDir());

    Record::create(Record::pointsPath(m_dir));
    Record::create(Record::namePath(m_dir));
    QCOMPARE(QDir(recordDir).entryList(QDir::Files),
        QStringList({ u"azentrec5.txt"_s, u"nzentrec5.txt"_s }));
    QCOMPARE(QFileInfo(recordDir + u"/azentrec5.txt").size(), 0);
    QCOMPARE(QFileInfo(recordDir + u"/nzentrec5.txt").size(), 0);
    QCOMPARE(Record::Leggifiletxt(Record::pointsPath(m_dir)), QString());
    QCOMPARE(Record::leadingNumber(Record::Leggifiletxt(Record::pointsPath(m_dir))), 0.0);

    // A second start finds the folder there and gives the same answer.
    QCOMPARE(Record::GetSystemDir(), m_dir);
}

void TestRecordFiles::createLeavesExistingFile()
{
    const QString path = m_home.filePath(u"existing.txt"_s);
    writeBytes(path, "7\r\n");
    Record::create(path);
    QCOMPARE(fileBytes(path), QByteArray("7\r\n"));
}

void TestRecordFiles::systemDirHasOneSeparator_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::newRow("plain") << QString();
    QTest::newRow("trailing slash") << u"/"_s;
    QTest::newRow("two trailing slashes") << u"//"_s;
}

void TestRecordFiles::systemDirHasOneSeparator()
{
    QFETCH(QString, suffix);
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.path() + suffix));
    QCOMPARE(Record::GetSystemDir(), m_home.path() + u"/zentovia/"_s);
}

void TestRecordFiles::paths_data()
{
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("points");
    QTest::addColumn<QString>("name");
    QTest::newRow("with separator") << u"/x/"_s << u"/x/azentrec5.txt"_s << u"/x/nzentrec5.txt"_s;
    QTest::newRow("without") << u"/x"_s << u"/x/azentrec5.txt"_s << u"/x/nzentrec5.txt"_s;
    QTest::newRow("root") << u"/"_s << u"/azentrec5.txt"_s << u"/nzentrec5.txt"_s;
}

void TestRecordFiles::paths()
{
    QFETCH(QString, dir);
    QFETCH(QString, points);
    QFETCH(QString, name);
    QCOMPARE(Record::pointsPath(dir), points);
    QCOMPARE(Record::namePath(dir), name);
}

void TestRecordFiles::storeAndRead_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("points 12") << u"12"_s << QByteArray("\x31\x32\x0d\x0a");
    QTest::newRow("name") << u"Giulia"_s << QByteArray("Giulia\r\n");
    QTest::newRow("blank inside a name") << u"Anna Maria"_s << QByteArray("Anna Maria\r\n");
    QTest::newRow("blanks around") << u"  Anna  "_s << QByteArray("  Anna  \r\n");
    QTest::newRow("accented") << u"Niccolò"_s << QByteArray("Niccol\xc3\xb2\r\n");
    QTest::newRow("empty") << QString() << QByteArray("\r\n");
}

void TestRecordFiles::storeAndRead()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    const QString path = Record::namePath(m_home.path());
    writeBytes(path, "a much longer earlier record holder\r\n");

    Record::store(path, text);
    QCOMPARE(fileBytes(path), bytes);
    QCOMPARE(Record::Leggifiletxt(path), text + u"\r\n");
}

void TestRecordFiles::readAsIs_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("letters") << QByteArray("abcdef") << u"abcdef"_s;
    QTest::newRow("CR LF kept") << QByteArray("12\r\n") << u"12\r\n"_s;
    QTest::newRow("two lines") << QByteArray("Anna\r\nMaria\r\n") << u"Anna\r\nMaria\r\n"_s;
    QTest::newRow("bare LF and CR") << QByteArray("a\nb\rc") << u"a\nb\rc"_s;
    QTest::newRow("zero byte") << QByteArray("a\0b", 3) << QString(u"a\0b"_s);
    QTest::newRow("invalid UTF-8") << QByteArray("\xff\xfe"
                                                 "AB\r\n")
                                   << QString(2, QChar::ReplacementCharacter) + u"AB\r\n"_s;
    QTest::newRow("cut sequence") << QByteArray("A\xc3") << u"A"_s + QChar::ReplacementCharacter;
}

void TestRecordFiles::readAsIs()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    const QString path = m_home.filePath(u"read.txt"_s);
    writeBytes(path, bytes);
    QCOMPARE(Record::Leggifiletxt(path), expected);
}

// Places where no file can be made, even by root: paths that go through a
// regular file as if it were a folder, and a folder where a file should be.
void TestRecordFiles::unwritablePlace_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("canCreate");
    const QString plainFile = m_home.filePath(u"plain-file"_s);
    writeBytes(plainFile, "x");
    QVERIFY(QDir(m_home.path()).mkpath(u"a-folder"_s));
    QTest::newRow("under a file") << plainFile + u"/azentrec5.txt"_s << false;
    QTest::newRow("missing folder") << m_home.filePath(u"nowhere/azentrec5.txt"_s) << false;
    QTest::newRow("a folder") << m_home.filePath(u"a-folder"_s) << false;
}

void TestRecordFiles::unwritablePlace()
{
    QFETCH(QString, path);

    const auto expectFailure = [&path](const auto &step, const char *what) {
        try {
            step();
            QFAIL(qPrintable(u"%1 raised no Failure"_s.arg(QLatin1StringView(what))));
        } catch (const Failure &failure) {
            QVERIFY2(
                failure.message().contains(u"«" + path + u"»: "), qPrintable(failure.message()));
            QVERIFY2(!failure.message().endsWith(u": "), qPrintable(failure.message()));
        }
    };
    expectFailure([&path] { Record::create(path); }, "create");
    expectFailure([&path] { Record::Leggifiletxt(path); }, "Leggifiletxt");
    expectFailure([&path] { Record::store(path, u"12"_s); }, "store");
}

void TestRecordFiles::readOnlyDirectory()
{
    // A record folder whose path runs under a plain file: nobody can write
    // there, root included, and the file in the way stays as it was.
    const QString inTheWay = m_home.filePath(u"in-the-way"_s);
    writeBytes(inTheWay, "x");
    const QString underFile = inTheWay + u"/zentovia"_s;
    QVERIFY_THROWS_EXCEPTION(Failure, Record::store(Record::pointsPath(underFile), u"12"_s));
    QVERIFY_THROWS_EXCEPTION(Failure, Record::create(Record::namePath(underFile)));
    QCOMPARE(fileBytes(inTheWay), QByteArray("x"));

    // A folder without write permission, over a record already there: root
    // passes over permissions, so this part runs only as another user.
    if (geteuid() == 0) {
        QByteArray output;
        QVERIFY2(rerunAsNobody(&output) == 0, output.constData());
        return;
    }
    const QString dir = m_home.filePath(u"read-only"_s);
    QVERIFY(QDir().mkpath(dir));
    const QString path = Record::pointsPath(dir);
    writeBytes(path, "5\r\n");
    QVERIFY(QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    QVERIFY_THROWS_EXCEPTION(Failure, Record::store(path, u"12"_s));
    QVERIFY_THROWS_EXCEPTION(Failure, Record::create(Record::namePath(dir)));
    QFile::setPermissions(
        dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(fileBytes(path), QByteArray("5\r\n"));
}

void TestRecordFiles::systemDirCannotBeMade()
{
    const QString plainFile = m_home.filePath(u"data-home-file"_s);
    writeBytes(plainFile, "x");
    qputenv("XDG_DATA_HOME", QFile::encodeName(plainFile));
    try {
        Record::GetSystemDir();
        QFAIL("no Failure raised");
    } catch (const Failure &failure) {
        QVERIFY2(
            failure.message().contains(plainFile + u"/zentovia"), qPrintable(failure.message()));
    }
}

void TestRecordFiles::hugeFileReadsFirst64KiB()
{
    const QString path = m_home.filePath(u"huge.txt"_s);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(file.write("12\r\n") == 4);
        QVERIFY(file.resize(50LL * 1024 * 1024)); // sparse: takes no room on disk
    }
    const QString text = Record::Leggifiletxt(path);
    QCOMPARE(text.size(), 64 * 1024);
    QVERIFY(text.startsWith(u"12\r\n"));
    QCOMPARE(Record::leadingNumber(text), 12.0);
    QFile::remove(path);
}

void TestRecordFiles::killWhileStoring_data()
{
    QTest::addColumn<int>("stage");
    QTest::addColumn<QByteArray>("points");
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("in the middle of the points file")
        << int(Stage::PointsWritten) << QByteArray("12\r\n") << QByteArray("Anna\r\n");
    QTest::newRow("between the two files")
        << int(Stage::BetweenFiles) << QByteArray("99\r\n") << QByteArray("Anna\r\n");
    QTest::newRow("in the middle of the name file")
        << int(Stage::NameWritten) << QByteArray("99\r\n") << QByteArray("Anna\r\n");
}

void TestRecordFiles::killWhileStoring()
{
    QFETCH(int, stage);
    QFETCH(QByteArray, points);
    QFETCH(QByteArray, name);

    const QString dir = m_home.filePath(u"kill-%1"_s.arg(stage));
    QVERIFY(QDir().mkpath(dir));
    const QString pointsFile = Record::pointsPath(dir);
    const QString nameFile = Record::namePath(dir);
    Record::store(pointsFile, u"12"_s);
    Record::store(nameFile, u"Anna"_s);

    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
        { QString::fromLatin1(ChildStoreArgument), dir, QString::number(stage) });
    QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
    QByteArray said;
    while (!said.contains(ChildReady) && child.waitForReadyRead(30000))
        said += child.readAllStandardOutput();
    QCOMPARE(said, QByteArray(ChildReady));

    child.kill(); // SIGKILL
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    QCOMPARE(fileBytes(pointsFile), points);
    QCOMPARE(fileBytes(nameFile), name);
    // Where the system has no unnamed temporary files, the child's unfinished
    // content is left beside the record under a name of its own; nothing else is.
    QStringList strays = QDir(dir).entryList(QDir::Files);
    strays.removeOne(Record::pointsFileName());
    strays.removeOne(Record::nameFileName());
    for (const QString &stray : std::as_const(strays))
        QVERIFY2(
            QList<QByteArray>({ "99\r\n", "Nuovo\r\n" }).contains(fileBytes(dir + u'/' + stray)),
            qPrintable(stray));

    // The leftover does not stand in the way of the next record.
    Record::store(pointsFile, u"13"_s);
    Record::store(nameFile, u"Bea"_s);
    QCOMPARE(Record::Leggifiletxt(pointsFile), u"13\r\n"_s);
    QCOMPARE(Record::Leggifiletxt(nameFile), u"Bea\r\n"_s);
}

// A program storing record after record is killed at random moments: each
// file always holds one whole record, and the name is that of the points or
// of the record before (the points file is replaced first). Each run numbers
// its records from a million times its turn on.
void TestRecordFiles::killAtAnyMoment()
{
    constexpr int Kills = 40;
    constexpr int Run = 1'000'000;
    const QString dir = m_home.filePath(u"kill-any"_s);
    QVERIFY(QDir().mkpath(dir));
    Record::store(Record::pointsPath(dir), u"0"_s);
    Record::store(Record::namePath(dir), u"Giocatore 0"_s);
    const QRegularExpression pointsLine(u"^(\\d+)\r\n$"_s);
    const QRegularExpression nameLine(u"^Giocatore (\\d+)\r\n$"_s);
    QRandomGenerator random(20240605);
    int halfway = 0; // kills that left the new points beside the earlier name
    int stored = 0;
    for (int kill = 1; kill <= Kills; ++kill) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
            { QString::fromLatin1(ChildLoopArgument), dir, QString::number(kill * Run + 1) });
        QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
        QVERIFY(child.waitForReadyRead(30000));
        QThread::usleep(random.bounded(20000));
        child.kill();
        QVERIFY(child.waitForFinished(30000));

        const QByteArray points = fileBytes(Record::pointsPath(dir));
        const QByteArray name = fileBytes(Record::namePath(dir));
        const QString both = u"kill %1: %2 / %3"_s.arg(kill).arg(
            QString::fromUtf8(points), QString::fromUtf8(name));
        const auto p = pointsLine.match(QString::fromUtf8(points));
        const auto n = nameLine.match(QString::fromUtf8(name));
        QVERIFY2(p.hasMatch() && n.hasMatch(), qPrintable(both));
        const int pn = p.captured(1).toInt();
        const int nn = n.captured(1).toInt();
        if (pn / Run == nn / Run)
            QVERIFY2(pn - nn == 0 || pn - nn == 1, qPrintable(both));
        else // killed between the first record's two files
            QVERIFY2(pn % Run == 1 && nn / Run < pn / Run, qPrintable(both));
        halfway += pn != nn;
        stored += pn % Run;
    }
    qInfo("%d kills, %d records stored, %d kills between the two files", Kills, stored, halfway);
}

// Two programs end with a record at the same time, again and again: each file
// holds one whole line of one of them, whenever it is read.
void TestRecordFiles::twoProgramsStoreAtOnce()
{
    const QString dir = m_home.filePath(u"together"_s);
    QVERIFY(QDir().mkpath(dir));
    Record::store(Record::pointsPath(dir), u"0"_s);
    Record::store(Record::namePath(dir), u"Nessuno"_s);
    constexpr int Times = 150;

    QProcess first;
    QProcess second;
    first.start(QCoreApplication::applicationFilePath(),
        { QString::fromLatin1(ChildRepeatArgument), dir, u"11"_s, u"Anna Maria"_s,
            QString::number(Times) });
    second.start(QCoreApplication::applicationFilePath(),
        { QString::fromLatin1(ChildRepeatArgument), dir, u"22"_s, u"Bruno"_s,
            QString::number(Times) });
    QVERIFY(first.waitForStarted());
    QVERIFY(second.waitForStarted());

    const QList<QByteArray> points { "0\r\n", "11\r\n", "22\r\n" };
    const QList<QByteArray> names { "Nessuno\r\n", "Anna Maria\r\n", "Bruno\r\n" };
    int reads = 0;
    while (first.state() != QProcess::NotRunning || second.state() != QProcess::NotRunning) {
        const QByteArray p = fileBytes(Record::pointsPath(dir));
        const QByteArray n = fileBytes(Record::namePath(dir));
        QVERIFY2(points.contains(p), p.constData());
        QVERIFY2(names.contains(n), n.constData());
        ++reads;
        first.waitForFinished(1);
        second.waitForFinished(1);
    }
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(points.mid(1).contains(fileBytes(Record::pointsPath(dir))));
    QVERIFY(names.mid(1).contains(fileBytes(Record::namePath(dir))));
    QCOMPARE(
        QDir(dir).entryList(QDir::Files), QStringList({ u"azentrec5.txt"_s, u"nzentrec5.txt"_s }));
    qInfo("%d reads while the two stored", reads);
}

void TestRecordFiles::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("empty") << QString() << 0.0;
    QTest::newRow("letters") << u"abc"_s << 0.0;
    QTest::newRow("12 with line end") << u"12\r\n"_s << 12.0;
    QTest::newRow("blank inside") << u" 1 2\r\n"_s << 12.0;
    QTest::newRow("tabs and line feeds") << u"\t1\n\t2\n3"_s << 123.0;
    QTest::newRow("CR ends it") << u"1\r2"_s << 1.0;
    QTest::newRow("CR first") << u"\r12"_s << 0.0;
    QTest::newRow("negative") << u"-3"_s << -3.0;
    QTest::newRow("blank after sign") << u"- 3"_s << -3.0;
    QTest::newRow("plus") << u"+4"_s << 4.0;
    QTest::newRow("two signs") << u"+-4"_s << 0.0;
    QTest::newRow("sign after digits") << u"4-5"_s << 4.0;
    QTest::newRow("sign alone") << u"-"_s << 0.0;
    QTest::newRow("decimal") << u"1.5"_s << 1.5;
    QTest::newRow("point first") << u".5"_s << 0.5;
    QTest::newRow("point alone") << u"."_s << 0.0;
    QTest::newRow("second point ends it") << u"1.2.3"_s << 1.2;
    QTest::newRow("comma ends it") << u"1,5"_s << 1.0;
    QTest::newRow("letters end it") << u"7abc"_s << 7.0;
    QTest::newRow("no exponent") << u"1e3"_s << 1.0;
    QTest::newRow("non-ASCII digit ends it") << u"1\u0662"_s << 1.0;
    QTest::newRow("leading zeros") << u"007"_s << 7.0;
    QTest::newRow("name, not points") << u"Anna\r\n"_s << 0.0;
    QTest::newRow("20 digits") << u"12345678901234567890"_s << 12345678901234567890.0;
    QTest::newRow("400 digits") << u"1"_s + QString(400, u'0')
                                << std::numeric_limits<double>::infinity();
    QTest::newRow("400 digits negative")
        << u"-9"_s + QString(400, u'9') << -std::numeric_limits<double>::infinity();
    QTest::newRow("tiny fraction") << u"0."_s + QString(400, u'0') + u"1"_s << 0.0;
    QTest::newRow("64 KiB of digits")
        << QString(64 * 1024, u'9') << std::numeric_limits<double>::infinity();
}

void TestRecordFiles::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(Record::leadingNumber(text), expected);
}

int main(int argc, char **argv)
{
    if (argc == 4 && qstrcmp(argv[1], ChildStoreArgument) == 0) {
        storeAndWait(QFile::decodeName(argv[2]), Stage(std::atoi(argv[3])));
        return 0;
    }
    if (argc == 4 && qstrcmp(argv[1], ChildLoopArgument) == 0)
        storeForever(QFile::decodeName(argv[2]), std::atoi(argv[3]));
    if (argc == 6 && qstrcmp(argv[1], ChildRepeatArgument) == 0) {
        const QString dir = QFile::decodeName(argv[2]);
        for (int i = std::atoi(argv[5]); i > 0; --i) {
            Record::store(Record::pointsPath(dir), QString::fromUtf8(argv[3]));
            Record::store(Record::namePath(dir), QString::fromUtf8(argv[4]));
        }
        return 0;
    }
    QCoreApplication app(argc, argv);
    TestRecordFiles test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_recordfiles.moc"
