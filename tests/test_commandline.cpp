// The command line of the real program: a table from 1 to 10, the help and
// the version in Italian, and a wrong command line ended with status 2 and
// one clear line before any window opens.

#include "app/commandline.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Zentovia;
using namespace Qt::StringLiterals;

class TestCommandLine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void table_data();
    void table();
    void practice_data();
    void practice();
    void program_data();
    void program();
    void notebookWindow_data();
    void notebookWindow();
};

void TestCommandLine::table_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("table");
    QTest::newRow("none: the 5") << QStringList() << 5;
    QTest::newRow("1") << QStringList { u"--tabellina"_s, u"1"_s } << 1;
    QTest::newRow("7 with =") << QStringList { u"--tabellina=7"_s } << 7;
    QTest::newRow("10") << QStringList { u"--tabellina"_s, u"10"_s } << 10;
    QTest::newRow("single dash") << QStringList { u"-tabellina"_s, u"8"_s } << 8;
    QTest::newRow("Qt's options left to Qt") << QStringList { u"-platform"_s, u"offscreen"_s,
        u"-reverse"_s, u"--tabellina"_s, u"3"_s, u"-style=Fusion"_s, u"--display"_s, u":9"_s }
                                             << 3;
}

void TestCommandLine::table()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, table);
    const CommandLine line = CommandLine::parse(QStringList { u"zentovia"_s } + arguments);
    QCOMPARE(line.action, CommandLine::Action::Run);
    QCOMPARE(line.table, table);
}

void TestCommandLine::practice_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QList<int>>("tables");
    QTest::newRow("the child's own tables") << QStringList { u"--ripasso"_s } << QList<int> {};
    QTest::newRow("one table") << QStringList { u"--ripasso"_s, u"--tabellina"_s, u"7"_s }
                               << QList<int> { 7 };
    QTest::newRow("a list") << QStringList { u"--tabellina=3,9"_s, u"--ripasso"_s }
                            << QList<int> { 3, 9 };
}

void TestCommandLine::practice()
{
    QFETCH(QStringList, arguments);
    QFETCH(QList<int>, tables);
    const CommandLine line = CommandLine::parse(QStringList { u"zentovia"_s } + arguments);
    QCOMPARE(line.action, CommandLine::Action::Run);
    QVERIFY(line.practice);
    QCOMPARE(line.tables, tables);
}

void TestCommandLine::program_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out"); // the start of stdout
    QTest::addColumn<QString>("said"); // the first line on stderr
    const QString usage
        = u"Uso: zentovia [--tabellina N] [--ripasso] [--tastierino] [--quaderno | --esporta]"_s;
    QTest::newRow("help") << QStringList { u"--help"_s } << 0 << usage << QString();
    QTest::newRow("-h") << QStringList { u"-h"_s } << 0 << usage << QString();
    QTest::newRow("version") << QStringList { u"--version"_s } << 0 << u"Zentovia, versione "_s
                             << QString();
    QTest::newRow("0") << QStringList { u"--tabellina"_s, u"0"_s } << 2 << QString()
                       << u"zentovia: La tabellina \"0\" non c'è: scegli un numero da 1 a 10."_s;
    QTest::newRow("11") << QStringList { u"--tabellina=11"_s } << 2 << QString()
                        << u"zentovia: La tabellina \"11\" non c'è: scegli un numero da 1 a 10."_s;
    QTest::newRow("x") << QStringList { u"--tabellina"_s, u"x"_s } << 2 << QString()
                       << u"zentovia: La tabellina \"x\" non c'è: scegli un numero da 1 a 10."_s;
    QTest::newRow("missing value")
        << QStringList { u"--tabellina"_s } << 2 << QString()
        << u"zentovia: Manca il numero della tabellina dopo --tabellina."_s;
    QTest::newRow("unknown option") << QStringList { u"--colore"_s, u"blu"_s } << 2 << QString()
                                    << u"zentovia: Opzione sconosciuta: --colore."_s;
    QTest::newRow("unknown, one dash") << QStringList { u"-colore"_s } << 2 << QString()
                                       << u"zentovia: Opzione sconosciuta: -colore."_s;
    QTest::newRow("a list without --ripasso")
        << QStringList { u"--tabellina"_s, u"3,9"_s } << 2 << QString()
        << u"zentovia: Più tabelline insieme (\"3,9\") vanno solo con --ripasso."_s;
    QTest::newRow("stray argument")
        << QStringList { u"7"_s } << 2 << QString() << u"zentovia: Argomento inatteso: \"7\"."_s;
}

void TestCommandLine::program()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, said);

    // No display at all: whatever the command line says here, it is said
    // before any window could open.
    QProcess zentovia;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(u"DISPLAY"_s);
    env.remove(u"WAYLAND_DISPLAY"_s);
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    zentovia.setProcessEnvironment(env);
    zentovia.start(qEnvironmentVariable("ZENTOVIA_PROGRAM"), arguments);
    QVERIFY(zentovia.waitForFinished(10000));
    QCOMPARE(zentovia.exitStatus(), QProcess::NormalExit);
    QCOMPARE(zentovia.exitCode(), status);
    const QString stdOut = QString::fromLocal8Bit(zentovia.readAllStandardOutput());
    const QString stdErr = QString::fromLocal8Bit(zentovia.readAllStandardError());
    QVERIFY2(stdOut.startsWith(out), qPrintable(stdOut));
    if (said.isEmpty()) {
        QVERIFY2(stdErr.isEmpty(), qPrintable(stdErr));
    } else {
        QCOMPARE(stdErr.section(u'\n', 0, 0), said);
        // The usage follows the error.
        QVERIFY2(
            stdErr.contains(
                u"Uso: zentovia [--tabellina N] [--ripasso] [--tastierino] [--quaderno | --esporta]"_s),
            qPrintable(stdErr));
    }
}

void TestCommandLine::notebookWindow_data()
{
    QTest::addColumn<bool>("beside");
    QTest::newRow("the window's program beside") << true;
    QTest::newRow("no such program") << false;
}

// `zentovia --quaderno` hands over to the program beside it, with its command
// line as it was.
void TestCommandLine::notebookWindow()
{
    QFETCH(bool, beside);
    QTemporaryDir dir;
    const QString program = dir.filePath(u"zentovia"_s);
    QVERIFY(QFile::copy(qEnvironmentVariable("ZENTOVIA_PROGRAM"), program));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
    if (beside) {
        QFile window(dir.filePath(u"zentovia-quaderno"_s));
        QVERIFY(window.open(QIODevice::WriteOnly));
        window.write("#!/bin/sh\necho \"finestra $*\"\n");
        window.close();
        QVERIFY(window.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    }
    QProcess zentovia;
    zentovia.start(program, { u"--quaderno"_s, u"--tabellina"_s, u"3"_s });
    QVERIFY(zentovia.waitForFinished(10000));
    QCOMPARE(zentovia.exitCode(), beside ? 0 : 1);
    QCOMPARE(zentovia.readAllStandardOutput(),
        beside ? QByteArray("finestra --quaderno --tabellina 3\n") : QByteArray());
    QCOMPARE(
        zentovia.readAllStandardError().startsWith("zentovia: non riesco ad aprire il quaderno"),
        !beside);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
