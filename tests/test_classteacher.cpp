#include "classserver/classlistfile.h"
#include "classserver/classoverview.h"
#include "classserver/classreader.h"
#include "learning/localclock.h"
#include "notebookview/assignmentdialog.h"
#include "notebookview/classpage.h"
#include "notebookview/classpages.h"
#include "support/privatepostgres.h"
#include "telling/telling.h"
#include "words/tablewords.h"

#include <QLabel>
#include <QPushButton>
#include <QStringEncoder>
#include <QTableWidget>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace Zentovia;

// The teacher's tools as a teacher meets them: the class list from what
// registers and spreadsheets export.
class TestClassTeacher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void importedList_data();
    void importedList();
    void classCountsOwnTimes();
    void words_data();
    void words();
    void classPageActsOnTheChildChosen();
};

namespace {

FactSummary fact(FactState state, double recallInAWeek)
{
    FactSummary summary;
    summary.state = state;
    summary.asked = 1;
    summary.recallInAWeek = recallInAWeek;
    return summary;
}

ClassChild child(const QString &name, int thisWeek, Fact toLearn, bool listed = true)
{
    ClassChild c;
    c.name = name;
    c.thisWeek = thisWeek;
    c.onTheList = listed;
    c.notOnTheList = !listed;
    c.grid.at(toLearn.table - 1).at(toLearn.multiplier - 1) = fact(FactState::ToLearn, 0.2);
    return c;
}

} // namespace

void TestClassTeacher::importedList_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("skipped"); // "line: why"
    QTest::addColumn<QString>("problem");

    QTest::newRow("a title line above the header")
        << QByteArray("Elenco alunni classe 3A - a.s. 2024/2025\r\n\r\n"
                      "Cognome;Nome;Data di nascita\r\nRossi;Niccol\xc3\xb2;12/03/2016\r\n"
                      "Bianchi;Anna  Maria;01/02/2016\r\n")
        << QStringList { u"Rossi Niccolò"_s, u"Bianchi Anna Maria"_s }
        << QStringList { u"1: prima dell'intestazione"_s } << QString();
    QTest::newRow("'Cognome e nome', totals, a repeated header")
        << QByteArray("Cognome e nome\nRossi Niccol\xc3\xb2\nCognome e nome\nVerdi Luca;\n\n"
                      "Totale alunni: 2;\n")
        << QStringList { u"Rossi Niccolò"_s, u"Verdi Luca"_s }
        << QStringList { u"3: intestazione ripetuta"_s, u"6: riga dei totali"_s } << QString();
    QTest::newRow("tab-separated, a name twice")
        << QByteArray("N.\tCognome\tNome\n1\tRossi\tNiccol\xc3\xb2\n2\tD'Amico\tZo\xc3\xab\n"
                      "3\trossi\tniccol\xc3\xb2 \n4\t\t\n")
        << QStringList { u"Rossi Niccolò"_s, u"D'Amico Zoë"_s }
        << QStringList { u"5: senza un nome"_s } << QString();
    QTest::newRow("UTF-16 with its byte order mark, 'Alunno/Alunna'")
        << QByteArray("\xff\xfe")
            + QByteArray(QStringEncoder(QStringEncoder::Utf16LE)(
                u"Alunno/Alunna\tData di nascita\r\nRossi Niccolò\t12/03/2016\r\n"
                "3\t12/03/2016\r\n"_s))
        << QStringList { u"Rossi Niccolò"_s } << QStringList { u"3: non sembra un nome"_s }
        << QString();
    QTest::newRow("a 'Cognome' column alone")
        << QByteArray("Cognome\nRossi\nBianchi\n") << QStringList { u"Rossi"_s, u"Bianchi"_s }
        << QStringList {} << QString();
    QTest::newRow("no header, a column of names")
        << QByteArray("1;ROSSI Niccol\xc3\xb2;3A\n2;de Luca Eva;3A\n\nTotale;2;\n")
        << QStringList { u"ROSSI Niccolò"_s, u"de Luca Eva"_s }
        << QStringList { u"4: riga dei totali"_s } << QString();
    QTest::newRow("a letter to parents")
        << QByteArray("Gentili genitori,\n\nvi ricordo che gioved\xc3\xac 14 marzo andiamo al "
                      "museo.\nOgni bambino porti il pranzo al sacco.\n\nCordiali saluti,\n"
                      "La maestra Rossi\n")
        << QStringList {} << QStringList {} << u"non trovo la colonna dei nomi"_s;
    QTest::newRow("a picture") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << QStringList {}
                               << QStringList {} << u"il file non è un elenco: non è un testo"_s;
}

void TestClassTeacher::importedList()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, names);
    QFETCH(QStringList, skipped);
    QFETCH(QString, problem);
    const ClassListFile list = readClassList(bytes);
    QCOMPARE(list.problem == ClassReason::None ? QString() : Telling::classListFile(list.problem),
        problem);
    QCOMPARE(list.names, names);
    QStringList lines;
    for (const ClassListFile::Skipped &line : list.skipped)
        lines << u"%1: %2"_s.arg(line.line).arg(Telling::skippedLine(line.why));
    QCOMPARE(lines, skipped);
}

// Three children with the same answers and 3, 6 and 12 s for a fact: the
// class at a glance gives each the grid of their own time; this week's
// questions are those of the local clock's last seven days, whatever the
// server's time zone (here UTC+14).
void TestClassTeacher::classCountsOwnTimes()
{
    if (!PrivatePostgres::installed())
        QSKIP("PostgreSQL's server is not installed (scripts/install-deps)");
    PrivatePostgres postgres;
    QString why;
    QVERIFY2(postgres.start(&why), qPrintable(why));
    QVERIFY2(postgres.createClass(u"classe"_s, &why), qPrintable(why));
    QVERIFY(!postgres.sql(u"postgres"_s, u"CREATE ROLE maestra LOGIN IN ROLE zentovia_insegnanti"_s)
                 .isNull());
    QVERIFY(postgres.admit(u"classe"_s, { u"maestra"_s }));
    const QStringList children { u"tre"_s, u"sei"_s, u"dodici"_s };
    QStringList rows;
    QList<Attempt> attempts; // of each fact, 7 x 8 (5 s) and 7 x 9 (8 s)
    for (int day = 0; day < 8; ++day) {
        for (const auto &[multiplier, tenths] : { std::pair(8, 50), std::pair(9, 80) }) {
            const QDateTime at(QDate(2026, 11, 20).addDays(day), QTime(10, multiplier));
            attempts << Attempt { LocalClock::wallSeconds(at), Outcome::Right, tenths };
            for (const QString &child : children)
                rows << u"('%1', 7, %2, '%3', %4)"_s.arg(child)
                            .arg(multiplier)
                            .arg(at.toString(Qt::ISODate))
                            .arg(tenths);
        }
    }
    // A week ago is 2026-12-02 12:00 on the wall's clock.
    rows << u"('tre', 2, 2, '2026-12-02T11:00:00', 10)"_s
         << u"('tre', 2, 2, '2026-12-02T13:00:00', 10)"_s;
    // Sei learns 3 x 3 this week.
    for (int day = 3; day <= 8; ++day)
        rows << u"('sei', 3, 3, '2026-12-0%1T09:00:00', 20)"_s.arg(day);
    QVERIFY2(!postgres
                  .sql(u"classe"_s,
                      u"INSERT INTO zentovia_answers (computer, number, child_key, child,"
                      " times_table, multiplier, at, utc_offset, typed, outcome, tenths, mode)"
                      " SELECT 'pc', row_number() OVER (), k, initcap(k), t, m, a::timestamp,"
                      " 60, '1', 0, s, 'gara' FROM (VALUES %1) v(k, t, m, a, s);"
                      " INSERT INTO zentovia_children VALUES ('tre', 3), ('dodici', 12)"_s.arg(
                          rows.join(u", "_s)),
                      &why)
                  .isNull(),
        qPrintable(why));
    ClassReader reader(postgres.connection(u"classe"_s, u"maestra"_s)
        + u" options='-c TimeZone=Pacific/Kiritimati'"_s);
    const qint64 now = LocalClock::wallSeconds(QDateTime(QDate(2026, 12, 9), QTime(12, 0)));
    const std::optional<QList<ClassChild>> overview = readClassOverview(reader, now);
    QVERIFY2(overview, qPrintable(reader.problem().toDebugString()));
    QStringList seen, expected;
    for (const ClassChild &child : *overview) {
        QStringList learned;
        for (const Fact &fact : child.learnedThisWeek)
            learned << u"%1x%2"_s.arg(fact.table).arg(fact.multiplier);
        seen << u"%1 %2 %3 %4 %5"_s.arg(child.name)
                    .arg(int(child.grid.at(6).at(7).state))
                    .arg(int(child.grid.at(6).at(8).state))
                    .arg(child.thisWeek)
                    .arg(learned.join(u','));
        const int seconds = child.name == u"Tre" ? 3 : child.name == u"Sei" ? 6 : 12;
        GridBuilder own(seconds, now);
        for (const Attempt &attempt : std::as_const(attempts))
            own.add(7,
                QTime::fromMSecsSinceStartOfDay(int(attempt.wallSeconds % 86400) * 1000).minute(),
                attempt);
        const FactGrid grid = own.finish();
        expected << u"%1 %2 %3 %4 %5"_s.arg(child.name)
                        .arg(int(grid.at(6).at(7).state))
                        .arg(int(grid.at(6).at(8).state))
                        .arg(child.name == u"Tre"      ? 1
                                : child.name == u"Sei" ? 6
                                                       : 0)
                        .arg(child.name == u"Sei" ? u"3x3"_s : QString());
    }
    QCOMPARE(seen, expected);
    // The times make a difference: 5 s is in time for 6 and 12 s, 8 s for 12.
    QVERIFY2(seen.at(0).section(u' ', 1, 2) != seen.at(2).section(u' ', 1, 2),
        qPrintable(seen.join(u", "_s)));
}

void TestClassTeacher::words_data()
{
    QTest::addColumn<QString>("said");
    QTest::addColumn<QString>("expected");
    QTest::newRow("the 2") << tablesNamed({ 2 }) << u"la tabellina del 2"_s;
    QTest::newRow("the 1 and the 8") << tablesNamed({ 1, 8 }) << u"le tabelline dell'1 e dell'8"_s;
    QTest::newRow("three") << tablesNamed({ 2, 3, 10 }) << u"le tabelline del 2, del 3 e del 10"_s;
    QTest::newRow("one child") << counted(1, u"bambino"_s, u"bambini"_s) << u"1 bambino"_s;
    QTest::newRow("never played")
        << factsToWorkOn(FactGrid())
        << u"Non ha ancora risposto a nessuna domanda: i fatti da ripassare si vedranno dopo la "
           "prima gara."_s;
    FactGrid grid;
    grid.at(0).at(0) = fact(FactState::Learned, 0.97);
    grid.at(0).at(1) = fact(FactState::Almost, 0.88);
    grid.at(0).at(2) = fact(FactState::Almost, 0.6);
    grid.at(0).at(3) = fact(FactState::ToLearn, 0.1);
    grid.at(0).at(4) = fact(FactState::ToLearn, 0.3);
    QTest::newRow("the least known to work on")
        << factsToWorkOn(grid) << u"Da ripassare: 1 per 4, 1 per 5 e 1 per 3."_s;
    QTest::newRow("learned in the week") << learnedInTheWeek(
        { { 7, 8 } }) << u"In questa settimana ha imparato 1 moltiplicazione nuova: 7 per 8."_s;
    QTest::newRow("the 10 a table")
        << QString::number(AssignmentDialog::tablesOf(u"3, 10"_s).value_or(QList<int>()).size())
        << u"2"_s;
}

void TestClassTeacher::words()
{
    QFETCH(QString, said);
    QFETCH(QString, expected);
    QCOMPARE(said, expected);
}

// Sorted by a column, the page renames the child chosen, not the row's
// first; a cell names who to help on its own fact (7 per 8, not 8 per 7);
// the tables are assigned to the children of the list.
void TestClassTeacher::classPageActsOnTheChildChosen()
{
    ClassPage page;
    ClassChild bruno = child(u"Bruno"_s, 5, { 8, 7 });
    bruno.joined = QStringList { u"Brunno"_s };
    page.setClass({ child(u"Ada"_s, 30, { 7, 8 }), bruno, child(u"Carla"_s, 12, { 7, 8 }, false),
        child(u"Dino (da confermare)"_s, 1, { 9, 9 }, false) });
    QStringList offered;
    QString proposed;
    page.setQuestions(
        [&](const QString &, const QString &name, const QStringList &) {
            proposed = name;
            return u"Bea"_s;
        },
        [&](const QStringList &children) {
            offered = children;
            return std::optional<ClassPage::Work>();
        },
        [](const QString &) { return true; });
    QStringList renamed;
    connect(&page, &ClassPage::renameRequested, this,
        [&](const QString &from, const QString &to) { renamed << from + u'>' + to; });
    auto *list = page.findChild<QTableWidget *>(u"classChildren"_s);
    list->sortItems(2); // by this week's questions: Dino, Bruno, Carla, Ada
    list->selectRow(3);
    page.findChild<QPushButton *>(u"renameChild"_s)->click();
    QCOMPARE(renamed, QStringList { u"Ada>Bea"_s });
    // A name typed by a child who gave no code is offered to the child typed.
    QCOMPARE(list->item(0, 0)->text(), u"Dino (da confermare)"_s);
    list->selectRow(0);
    page.findChild<QPushButton *>(u"renameChild"_s)->click();
    QCOMPARE(proposed, u"Dino"_s);
    // A join undone, for the child chosen who has a name joined.
    auto *unjoin = page.findChild<QPushButton *>(u"unjoinChild"_s);
    QVERIFY(!unjoin->isEnabled());
    QStringList parted;
    connect(&page, &ClassPage::unjoinRequested, this, [&](const QString &name) { parted << name; });
    list->selectRow(1);
    unjoin->click();
    QCOMPARE(parted, QStringList { u"Brunno"_s });
    page.findChild<QTableWidget *>(u"classGrid"_s)->setCurrentCell(6, 7);
    QCOMPARE(
        page.findChild<QLabel *>(u"helpers"_s)->text(), u"7 per 8: da imparare per Ada, Carla."_s);
    QCOMPARE(page.findChild<QTableWidget *>(u"classGrid"_s)->item(0, 0)->text(), u"mai chiesto"_s);
    page.findChild<QPushButton *>(u"assignTables"_s)->click();
    QCOMPARE(offered, (QStringList { u"Ada"_s, u"Bruno"_s }));
}

QTEST_MAIN(TestClassTeacher)
#include "test_classteacher.moc"
