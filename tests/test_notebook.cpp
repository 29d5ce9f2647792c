#include "learning/localclock.h"
#include "notebook/csvexport.h"
#include "notebook/notebook.h"
#include "notebook/notebookwriter.h"
#include "support/asnobody.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace Zentovia;

namespace {

// Child mode: adds answers "0", "1", ... for a name, COUNT of them or until
// killed when COUNT is 0, printing each number once it is committed.
constexpr char ChildAddArgument[] = "--child-add";

const QDateTime Monday(QDate(2024, 3, 4), QTime(10, 0));

Answer answer(const QString &child, const QString &typed, Outcome outcome = Outcome::Right,
    const QDateTime &at = Monday)
{
    Answer answer;
    answer.at = at;
    answer.child = child;
    answer.table = 7;
    answer.multiplier = 8;
    answer.typed = typed;
    answer.outcome = outcome;
    answer.tenths = 42;
    return answer;
}

int addInALoop(const QString &path, const QString &name, int count)
{
    Notebook notebook(path);
    for (int n = 0; count == 0 || n < count; ++n) {
        if (!notebook.add(answer(name, QString::number(n))))
            return 1;
        std::printf("%d\n", n);
        std::fflush(stdout);
    }
    return 0;
}

// "2R35" is a right answer on day 2 in 3.5 s, "1W40" a wrong one, "3S" a
// skipped question, "25R20" one on day 25; a few minutes apart, oldest first.
QList<Attempt> attempts(const QString &text)
{
    QList<Attempt> list;
    for (const QString &token : text.split(u' ', Qt::SkipEmptyParts)) {
        qsizetype letter = 0;
        while (token.at(letter).isDigit())
            ++letter;
        const QDateTime at = Monday.addDays(token.left(letter).toInt()).addSecs(60 * list.size());
        const Outcome outcome = token.at(letter) == u'R' ? Outcome::Right
            : token.at(letter) == u'W'                   ? Outcome::Wrong
                                                         : Outcome::Skipped;
        list.append({ LocalClock::wallSeconds(at), outcome, token.mid(letter + 1).toInt() });
    }
    return list;
}

} // namespace

class TestNotebook : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void factState_data();
    void factState();
    void learnedNotSoonerByAFit();
    void faults_data();
    void faults();
    void childrenByName();
    void oldKeysWithInnerBlanks();
    void oddNames_data();
    void oddNames();
    void csvBytes();
    void csvOfManyAnswers_data();
    void csvOfManyAnswers();
    void writerOffThread();
    void twoProgramsAtOnce();
    void killWhileAdding();

private:
    std::unique_ptr<QTemporaryDir> m_home;
    QString m_path;
};

void TestNotebook::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_home->path()));
    m_path = Notebook::defaultPath();
    QCOMPARE(m_path, m_home->filePath(u"zentovia/quaderno.sqlite"_s));
}

void TestNotebook::factState_data()
{
    QTest::addColumn<QString>("answers");
    QTest::addColumn<int>("factSeconds");
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("right");
    QTest::addColumn<double>("median"); // -1: none

    // The state right after the last answer.
    const QString kept = u"1R20 4R20 9R20 16R20 25R20 36R20 49R20 64R20"_s;
    QTest::newRow("never asked") << u""_s << 6 << u"mai chiesto"_s << 0 << -1.0;
    QTest::newRow("one right") << u"1R35"_s << 6 << u"quasi"_s << 1 << 3.5;
    QTest::newRow("three right, one day: a retry is short-term")
        << u"1R30 1R40 1R20"_s << 6 << u"quasi"_s << 3 << 3.0;
    QTest::newRow("slow right") << u"1R40 2R61"_s << 6 << u"da imparare"_s << 2 << 5.05;
    QTest::newRow("slow for 3 s") << u"1R40 2R40"_s << 3 << u"da imparare"_s << 2 << 4.0;
    QTest::newRow("in time for 12 s") << u"1R30 2R61"_s << 12 << u"quasi"_s << 2 << 4.55;
    QTest::newRow("skipped last") << u"1R30 2S"_s << 6 << u"da imparare"_s << 1 << 3.0;
    QTest::newRow("skips count as wrong") << u"1R30 2S 3S 4R30"_s << 6 << u"quasi"_s << 2 << 3.0;
    QTest::newRow("odd count, spread") << u"1R10 2R20 3R90"_s << 6 << u"quasi"_s << 3 << 2.0;
    QTest::newRow("even count, unsorted")
        << u"1R10 1R50 1R20 1R40"_s << 6 << u"quasi"_s << 4 << 3.0;
    QTest::newRow("wrong last") << u"1R30 2R30 3W50"_s << 6 << u"da imparare"_s << 2 << 3.0;
    QTest::newRow("kept over two months") << kept << 6 << u"imparato"_s << 8 << 2.0;
    QTest::newRow("kept, then missed") << kept + u" 65W50"_s << 6 << u"quasi"_s << 8 << 2.0;
}

void TestNotebook::factState()
{
    QFETCH(QString, answers);
    QFETCH(int, factSeconds);
    QFETCH(QString, state);
    QFETCH(int, right);
    QFETCH(double, median);

    const QList<Attempt> list = attempts(answers);
    const qint64 now = list.isEmpty() ? 0 : list.constLast().wallSeconds;
    const FactSummary summary = summarize(list, factSeconds, now);
    QCOMPARE(stateName(summary.state), state);
    // One more right answer in time lowers nothing.
    const QList<Attempt> more = list + QList<Attempt> { { now + 60, Outcome::Right, 20 } };
    QVERIFY(summarize(more, factSeconds, now + 60).state == FactState::Learned
        || summary.state != FactState::Learned);
    QCOMPARE(summary.asked, list.size());
    QCOMPARE(summary.right, right);
    QCOMPARE(summary.medianSeconds.value_or(-1), median);
    QCOMPARE(summary.lastAsked.isValid(), !list.isEmpty());
    if (!list.isEmpty()) {
        QCOMPARE(LocalClock::wallSeconds(summary.lastAsked), list.constLast().wallSeconds);
        QCOMPARE(summary.lastDay, summary.lastAsked.date());
    }
    QCOMPARE(summary.lastMistake.isValid(), right < list.size());
}

// A child's fit that holds facts longer than the defaults makes none learned
// sooner.
void TestNotebook::learnedNotSoonerByAFit()
{
    const QList<Attempt> list = attempts(u"1R40 3R40 6R40"_s);
    const qint64 now = list.constLast().wallSeconds;
    MemoryParameters longer = MemoryParameters::forChildren();
    for (int grade = 0; grade < 4; ++grade)
        longer.w[grade] *= 10;
    longer.w[8] += std::log(10.0);
    const FactSummary byDefaults = summarize(list, 6, now);
    const FactSummary byFit = summarize(list, 6, now, longer);
    QVERIFY(byFit.recallInAWeek >= LearnedRecall);
    QCOMPARE(stateName(byDefaults.state), u"quasi"_s);
    QCOMPARE(stateName(byFit.state), u"quasi"_s);
}

void TestNotebook::faults_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("writes");
    for (const char *kind :
        { "missing", "empty", "garbage", "text", "damaged first page", "damaged answers" })
        QTest::newRow(kind) << QString::fromLatin1(kind) << true;
    for (const char *kind : { "newer", "read-only file", "unwritable folder", "no home" })
        QTest::newRow(kind) << QString::fromLatin1(kind) << false;
}

void TestNotebook::faults()
{
    QFETCH(QString, kind);
    QFETCH(bool, writes);

    QVERIFY(QDir().mkpath(QFileInfo(m_path).path()));
    QFile file(m_path);
    QByteArray before;
    if (kind == u"empty" || kind == u"garbage" || kind == u"text" || kind == u"unwritable folder") {
        before = kind == u"garbage" ? QByteArray(8192, '\0') : "questo non è un quaderno\n";
        if (kind == u"garbage")
            QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(before.data()), 2048);
        if (kind == u"empty")
            before.clear();
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(before);
        file.close();
    } else if (kind.startsWith(u"damaged")) {
        // A header that reads well, and the tables' list after it spoilt;
        // or the last page of answers, which the writer's check finds.
        QList<Answer> many;
        for (int n = 0; n < 2000; ++n)
            many << answer(u"Ada"_s, QString::number(n), Outcome::Right, Monday.addSecs(n));
        QVERIFY(Notebook(m_path).add(many));
        QVERIFY(file.open(QIODevice::ReadWrite));
        before = file.readAll();
        const qsizetype at = kind == u"damaged first page" ? 100 : before.size() - 4000;
        before.replace(at, 3900, QByteArray(3900, '\x5a'));
        QVERIFY(file.seek(0));
        file.write(before);
        file.close();
    } else if (kind == u"newer" || kind == u"read-only file") {
        QVERIFY(Notebook(m_path).add(answer(u"Ada"_s, u"56"_s)));
        if (kind == u"newer") {
            auto db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"newer"_s);
            db.setDatabaseName(m_path);
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec(u"PRAGMA user_version = 3"_s));
            db.close();
        } else {
            // chmod does not stop root, who can write any file.
            if (geteuid() == 0) {
                QByteArray output;
                QVERIFY2(rerunAsNobody(&output) == 0, output.constData());
                return;
            }
            QVERIFY(file.setPermissions(QFile::ReadOwner));
        }
        QSqlDatabase::removeDatabase(u"newer"_s);
        QVERIFY(file.open(QIODevice::ReadOnly));
        before = file.readAll();
        file.close();
    }
    QString path = m_path;
    if (kind == u"unwritable folder") {
        // Under a regular file no folder can be made, not even by root.
        path = m_path + u"/quaderno.sqlite"_s;
    } else if (kind == u"no home") {
        path.clear();
    }

    Notebook notebook(path, kind == u"damaged answers");
    QCOMPARE(notebook.add(answer(u"Bea"_s, u"56"_s)), writes);
    QCOMPARE(!notebook.problem(), writes);
    if (writes) {
        QCOMPARE(notebook.answers(u"Bea"_s)->size(), 1);
        QCOMPARE(notebook.sending().computerId().size(), 16);
    }
    const QStringList aside = QDir(QFileInfo(m_path).path())
                                  .entryList({ u"quaderno.sqlite.rovinato-*"_s }, QDir::Files);
    const bool setAside = kind == u"garbage" || kind == u"text" || kind.startsWith(u"damaged");
    QCOMPARE(aside.size(), setAside ? 1 : 0);
    if (!aside.isEmpty()) {
        QFile kept(QFileInfo(m_path).dir().filePath(aside.first()));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), before);
    } else if (!writes && file.open(QIODevice::ReadOnly)) {
        QCOMPARE(file.readAll(), before);
    }
}

void TestNotebook::childrenByName()
{
    Notebook notebook(m_path);
    QVERIFY(notebook.add(answer(u"Luca"_s, u"1"_s, Outcome::Right, Monday)));
    QVERIFY(notebook.add(answer(u"Élodie"_s, u"2"_s, Outcome::Right, Monday.addDays(1))));
    QVERIFY(notebook.add(answer(u"  LUCA "_s, u"3"_s, Outcome::Wrong, Monday.addDays(2))));
    QVERIFY(notebook.add(answer(u"ÉLODIE"_s, u"4"_s, Outcome::Right, Monday.addDays(3))));
    QVERIFY(notebook.add(answer(u"élodie"_s, u"5"_s, Outcome::Skipped, Monday.addDays(3))));

    const QList<Child> children = notebook.children().value();
    QCOMPARE(children.size(), 2);
    QCOMPARE(children.at(0).name, u"élodie"_s);
    QCOMPARE(children.at(0).answers, 3);
    QCOMPARE(children.at(0).lastActivity, Monday.addDays(3));
    QCOMPARE(children.at(1).name, u"LUCA"_s);

    const QList<Answer> luca = notebook.answers(u"luca"_s).value();
    QCOMPARE(luca.size(), 2);
    QCOMPARE(luca.at(1).typed, u"3"_s);
    QCOMPARE(luca.at(1).outcome, Outcome::Wrong);
    QCOMPARE(luca.at(1).at, Monday.addDays(2));
    QVERIFY(luca.at(0).id != luca.at(1).id);

    QCOMPARE(notebook.settings().factSeconds(u"Luca"_s), DefaultFactSeconds);
    QVERIFY(notebook.settings().setFactSeconds(u"luca"_s, 12));
    QVERIFY(!notebook.settings().setFactSeconds(u"luca"_s, 5));
    QCOMPARE(notebook.settings().factSeconds(u"LUCA"_s), 12);
    const FactGrid grid = notebook.grid(u"Élodie"_s).value();
    QCOMPARE(grid.at(6).at(7).asked, 3);
    QCOMPARE(grid.at(6).at(6).asked, 0);

    // The keypad on the screen, for one child.
    QVERIFY(notebook.settings().setUsesKeypad(u" Luca"_s));
    QVERIFY(notebook.settings().usesKeypad(u"LUCA"_s));
    QVERIFY(!notebook.settings().usesKeypad(u"Élodie"_s));

    QVERIFY(notebook.erase(u"luca"_s));
    QVERIFY(!notebook.settings().usesKeypad(u"Luca"_s));
    QCOMPARE(notebook.children()->size(), 1);
    int left = 0;
    QVERIFY(notebook.forEachAnswer([&](const StoredAnswer &) { return ++left; }));
    QCOMPARE(left, 3); // Élodie's alone
    QVERIFY(notebook.answers(u"Luca"_s)->isEmpty());
    QCOMPARE(notebook.settings().factSeconds(u"Luca"_s), DefaultFactSeconds);
    QVERIFY(notebook.settings().setUsesKeypad(u"Élodie"_s));
    QVERIFY(notebook.settings().setContestMinutes(u"Élodie"_s, 10));
    QVERIFY(notebook.sending().renameChild(u"élodie"_s, u"elo"_s, u"Elo"_s));
    QVERIFY(
        notebook.settings().usesKeypad(u"ELO"_s) && !notebook.settings().usesKeypad(u"Élodie"_s));
    QCOMPARE(notebook.settings().contestMinutes(u"Elo"_s), 10);
}

// A notebook of the first version kept "Anna  Maria" apart from "Anna Maria":
// opened, they are one child with the answers and settings of both, and
// "Ugo  Rossi" alone takes the key of "Ugo Rossi".
void TestNotebook::oldKeysWithInnerBlanks()
{
    {
        Notebook notebook(m_path);
        QVERIFY(notebook.add(answer(u"Anna Maria"_s, u"1"_s)));
        QVERIFY(notebook.add(answer(u"Zoe"_s, u"2"_s)));
        QVERIFY(notebook.add(answer(u"Ugo"_s, u"3"_s)));
        QVERIFY(notebook.settings().setContestMinutes(u"Zoe"_s, 10));
    }
    {
        auto db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"first"_s);
        db.setDatabaseName(m_path);
        QVERIFY(db.open());
        QSqlQuery first(db);
        for (const QString &sql : { u"UPDATE children SET key = 'anna  maria' WHERE key = 'zoe'"_s,
                 u"UPDATE meta SET key = 'minutes:anna  maria' WHERE key = 'minutes:zoe'"_s,
                 u"UPDATE children SET key = 'ugo  rossi' WHERE key = 'ugo'"_s,
                 u"PRAGMA user_version = 1"_s })
            QVERIFY2(first.exec(sql), qPrintable(first.lastError().text()));
        db.close();
    }
    QSqlDatabase::removeDatabase(u"first"_s);
    Notebook notebook(m_path);
    QCOMPARE(notebook.sending().childKeys(), (QStringList { u"anna maria"_s, u"ugo rossi"_s }));
    QCOMPARE(notebook.answers(u"Anna  Maria"_s)->size(), 2);
    QCOMPARE(notebook.settings().contestMinutes(u"anna maria"_s), 10);
}

void TestNotebook::oddNames_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("csv");

    QTest::newRow("quotes") << u"Anna \"la\" Bi"_s << u"Anna \"la\" Bi"_s
                            << u"\"Anna \"\"la\"\" Bi\""_s;
    QTest::newRow("sql") << u"x'); DROP TABLE answers;--"_s << u"x'); DROP TABLE answers;--"_s
                         << u"\"x'); DROP TABLE answers;--\""_s;
    QTest::newRow("line ends") << u"Anna\r\nMaria\n"_s << u"Anna\r\nMaria"_s
                               << u"\"Anna\r\nMaria\""_s;
    QTest::newRow("a line feed alone")
        << u"Anna\nMaria"_s << u"Anna\nMaria"_s << u"\"Anna\nMaria\""_s;
    // Text, not a formula, in a spreadsheet.
    QTest::newRow("a formula") << u"=SOMMA(1;2)"_s << u"=SOMMA(1;2)"_s << u"\"'=SOMMA(1;2)\""_s;
    QTest::newRow("an at sign") << u"@Anna"_s << u"@Anna"_s << u"\"'@Anna\""_s;
    QTest::newRow("markup") << u"<b>Zoe</b> & co"_s << u"<b>Zoe</b> & co"_s << u"<b>Zoe</b> & co"_s;
    QTest::newRow("250 characters")
        << QString(250, u'è') << QString(250, u'è') << QString(250, u'è');
    // As the contest names the child.
    QTest::newRow("blanks") << u" \t "_s << u" \t "_s << u" \t "_s;
    QTest::newRow("nothing") << u""_s << u"Amico"_s << u"Amico"_s;
}

void TestNotebook::oddNames()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, csv);

    Notebook notebook(m_path);
    QVERIFY(notebook.add(answer(typed, typed)));
    QCOMPARE(notebook.children()->value(0).name, shown);
    const QList<Answer> answers = notebook.answers(typed).value();
    QCOMPARE(answers.size(), 1);
    QCOMPARE(answers.at(0).child, shown);
    QCOMPARE(answers.at(0).typed, typed);

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ExportProblem problem;
    QVERIFY(exportCsv(notebook, buffer, &problem));
    QVERIFY(buffer.data().contains((u"10:00:00;"_s + csv + u";7;8;"_s).toUtf8()));
}

void TestNotebook::csvBytes()
{
    Notebook notebook(m_path);
    QVERIFY(notebook.add(answer(u"Giulia"_s, u"56"_s, Outcome::Right, Monday.addSecs(423))));
    Answer skipped = answer(u"Bo; \"B\""_s, QString(), Outcome::Skipped, Monday.addSecs(480));
    skipped.table = 3;
    skipped.multiplier = 4;
    skipped.tenths = 120;
    skipped.mode = Mode::Practice;
    QVERIFY(notebook.add(skipped));
    QVERIFY(notebook.add(answer(u"Giulia"_s, u"5;\"6"_s, Outcome::Wrong, Monday.addSecs(500))));

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ExportProblem problem;
    QVERIFY(exportCsv(notebook, buffer, &problem));
    QCOMPARE(buffer.data(),
        "\xEF\xBB\xBF"
        "data;ora;nome;tabellina;moltiplicatore;risposta;esito;secondi;modalita\r\n"
        "2024-03-04;10:07:03;Giulia;7;8;56;giusta;4,2;gara\r\n"
        "2024-03-04;10:08:00;\"Bo; \"\"B\"\"\";3;4;;saltata;12,0;ripasso\r\n"
        "2024-03-04;10:08:20;Giulia;7;8;\"5;\"\"6\";sbagliata;4,2;gara\r\n");

    Notebook unreadable(m_path + u"/no"_s);
    QVERIFY(!exportCsv(unreadable, buffer, &problem));
    QCOMPARE(problem.reason, ExportReason::NotRead);
    QCOMPARE(unreadable.problem().reason, NotebookReason::FolderNotMade);
}

// A disk that fills after so many bytes.
class FillingDevice : public QBuffer
{
public:
    explicit FillingDevice(qint64 room)
        : m_room(room)
    { }

protected:
    qint64 writeData(const char *data, qint64 size) override
    {
        if (pos() + size > m_room)
            return -1;
        return QBuffer::writeData(data, size);
    }

private:
    qint64 m_room;
};

void TestNotebook::csvOfManyAnswers_data()
{
    QTest::addColumn<qint64>("room");
    QTest::addColumn<bool>("fits");
    QTest::newRow("all of it") << qint64(64) * 1024 * 1024 << true;
    QTest::newRow("the disk fills") << qint64(300) * 1024 << false;
}

void TestNotebook::csvOfManyAnswers()
{
    QFETCH(qint64, room);
    QFETCH(bool, fits);
    Notebook notebook(m_path);
    QList<Answer> many;
    for (int n = 0; n < 12000; ++n) // about 600 KiB of lines
        many << answer(u"Giulia"_s, QString::number(n), Outcome::Right, Monday.addSecs(n));
    QVERIFY(notebook.add(many));
    FillingDevice device(room);
    device.open(QIODevice::WriteOnly);
    ExportProblem problem;
    const bool exported = exportCsv(notebook, device, &problem);
    QCOMPARE(exported, fits);
    if (exported)
        QCOMPARE(device.data().count("\r\n"), 12001);
    else
        QCOMPARE(problem.reason, ExportReason::NotWritten);
}

void TestNotebook::writerOffThread()
{
    NotebookWriter(m_path).askKeypad(u"Ugo"_s);
    QVERIFY(!QFile::exists(m_path)); // not begun for a question
    {
        NotebookWriter writer(m_path);
        for (int n = 0; n < 200; ++n)
            writer.add(answer(u"Ugo"_s, QString::number(n)));
    }
    const QList<Answer> answers = Notebook(m_path).answers(u"Ugo"_s).value();
    QCOMPARE(answers.size(), 200);
    QCOMPARE(answers.constLast().typed, u"199"_s);

    NotebookWriter broken(m_path + u"/no/quaderno.sqlite"_s);
    QSignalSpy problems(&broken, &NotebookWriter::problem);
    for (int n = 0; n < 3; ++n)
        broken.add(answer(u"Ugo"_s, u"1"_s));
    QTRY_COMPARE(problems.size(), 1);
    QTest::qWait(100);
    QCOMPARE(problems.size(), 1);
    QCOMPARE(problems.at(0).at(0).value<NotebookProblem>().reason, NotebookReason::FolderNotMade);
}

void TestNotebook::twoProgramsAtOnce()
{
    constexpr int Each = 150;
    QProcess first;
    QProcess second;
    for (QProcess *process : { &first, &second })
        process->start(QCoreApplication::applicationFilePath(),
            { QString::fromLatin1(ChildAddArgument), m_path, process == &first ? u"A"_s : u"B"_s,
                QString::number(Each) });
    QVERIFY(first.waitForFinished(60000));
    QVERIFY(second.waitForFinished(60000));
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(second.exitCode(), 0);

    Notebook notebook(m_path);
    QSet<QString> ids;
    for (const QString &name : { u"A"_s, u"B"_s }) {
        const QList<Answer> answers = notebook.answers(name).value();
        QCOMPARE(answers.size(), Each);
        for (const Answer &a : answers)
            ids.insert(a.id);
    }
    QCOMPARE(ids.size(), 2 * Each);
}

void TestNotebook::killWhileAdding()
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
        { QString::fromLatin1(ChildAddArgument), m_path, u"K"_s, u"0"_s });
    QByteArray printed;
    while (printed.count('\n') < 40 && child.waitForReadyRead(10000))
        printed += child.readAllStandardOutput();
    QTest::qWait(QRandomGenerator::global()->bounded(50));
    ::kill(pid_t(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished());
    printed += child.readAllStandardOutput();
    const int committed = printed.count('\n');
    QVERIFY(committed >= 40);

    Notebook notebook(m_path);
    const QList<Answer> answers = notebook.answers(u"K"_s).value();
    QVERIFY2(answers.size() == committed || answers.size() == committed + 1,
        qPrintable(u"%1 answers for %2 committed"_s.arg(answers.size()).arg(committed)));
    for (int n = 0; n < answers.size(); ++n)
        QCOMPARE(answers.at(n).typed, QString::number(n));
    QVERIFY(notebook.add(answer(u"K"_s, u"dopo"_s)));
}

int main(int argc, char **argv)
{
    if (argc == 5 && qstrcmp(argv[1], ChildAddArgument) == 0) {
        QCoreApplication app(argc, argv);
        return addInALoop(
            QFile::decodeName(argv[2]), QString::fromUtf8(argv[3]), std::atoi(argv[4]));
    }
    QCoreApplication app(argc, argv);
    TestNotebook test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_notebook.moc"
