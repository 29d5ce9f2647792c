#include "app/failure.h"
#include "record/recordfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <limits>
#include <unistd.h>

using namespace Qt::StringLiterals;
using Zentovia::Failure;
namespace Record = Zentovia::Record;

namespace {

// The child mode of this executable: starts storing "99" over the file and
// stops, never to return, once the new content is written and before it
// replaces the file. The parent kills it there.
constexpr char ChildStoreArgument[] = "--child-store-and-wait";
constexpr char ChildReady[] = "ready\n";

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
    void killBeforeReplaceKeepsOldFile();
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
    if (geteuid() == 0)
        QSKIP("Running as root: permissions do not stop root from writing.");
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

void TestRecordFiles::killBeforeReplaceKeepsOldFile()
{
    const QString dir = m_home.filePath(u"kill"_s);
    QVERIFY(QDir().mkpath(dir));
    const QString path = Record::pointsPath(dir);
    Record::store(path, u"12"_s);

    QProcess child;
    child.start(
        QCoreApplication::applicationFilePath(), { QString::fromLatin1(ChildStoreArgument), path });
    QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
    QByteArray said;
    while (!said.contains(ChildReady) && child.waitForReadyRead(30000))
        said += child.readAllStandardOutput();
    QCOMPARE(said, QByteArray(ChildReady));

    child.kill(); // SIGKILL
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    QCOMPARE(fileBytes(path), QByteArray("12\r\n"));
    // Where the system has no unnamed temporary files, the child's "99" is
    // left beside the record under a name of its own; nothing else is.
    QStringList strays = QDir(dir).entryList(QDir::Files);
    strays.removeOne(Record::PointsFileName.toString());
    for (const QString &stray : std::as_const(strays))
        QCOMPARE(fileBytes(dir + u'/' + stray), QByteArray("99\r\n"));

    // The leftover does not stand in the way of the next record.
    Record::store(path, u"13"_s);
    QCOMPARE(fileBytes(path), QByteArray("13\r\n"));
    QCOMPARE(Record::Leggifiletxt(path), u"13\r\n"_s);
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
    if (argc == 3 && qstrcmp(argv[1], ChildStoreArgument) == 0) {
        const QString path = QFile::decodeName(argv[2]);
        Record::storeWithHook(path, u"99"_s, [] {
            std::fputs(ChildReady, stdout);
            std::fflush(stdout);
            for (;;)
                pause();
        });
        return 0;
    }
    QCoreApplication app(argc, argv);
    TestRecordFiles test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_recordfiles.moc"
