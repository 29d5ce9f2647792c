// The notebook's window on the offscreen platform, over a notebook filled
// with a few answers of two children: what it shows, what a screen reader
// reads of it, and what its controls do.

#include "classserver/classreader.h"
#include "classserver/classsender.h"
#include "core/tables.h"
#include "notebook/notebook.h"
#include "notebook/notebookwriter.h"
#include "notebookview/classpage.h"
#include "notebookview/factgridview.h"
#include "notebookview/notebookwindow.h"
#include "support/privatepostgres.h"
#include "telling/telling.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPdfWriter>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace Zentovia;

namespace {

// Ten weeks ago: the grid is of today.
const QDateTime Monday(QDate::currentDate().addDays(-70), QTime(16, 0));

Answer answer(const QString &child, int table, int multiplier, Outcome outcome, int tenths, int day,
    int minute = 0, Mode mode = Mode::Contest)
{
    const QString typed = outcome == Outcome::Right ? QString::number(table * multiplier) : u"1"_s;
    return { Monday.addDays(day).addSecs(60 * minute), child, table, multiplier, typed, outcome,
        tenths, mode, QString() };
}

// Anna: 2 × 3 learned (right and quick over ten weeks), 3 × 4 almost, 7 × 8
// to learn, 5 × 5 right in 8 s. Bruno played last.
QList<Answer> twoChildren()
{
    QList<Answer> answers { answer(u"Anna"_s, 7, 8, Outcome::Wrong, 50, 60) };
    for (const int day : { 0, 4, 9, 16, 25, 36, 49, 64, 69 })
        answers << answer(u"Anna"_s, 2, 3, Outcome::Right, 20, day, 1);
    answers << answer(u"Anna"_s, 3, 4, Outcome::Right, 30, 69, 2)
            << answer(u"Anna"_s, 5, 5, Outcome::Right, 80, 69, 3)
            << answer(u"Bruno"_s, 1, 1, Outcome::Right, 20, 69, 4);
    return answers;
}

QStringList cellNames(NotebookWindow &window)
{
    QAccessibleInterface *grid
        = QAccessible::queryAccessibleInterface(window.findChild<FactGridView *>());
    QStringList names;
    for (int i = 0; i < grid->childCount(); ++i)
        if (grid->child(i)->role() == QAccessible::Cell)
            names << grid->child(i)->text(QAccessible::Name);
    return names;
}

// The window once it has read the notebook's children, showing child.
void choose(NotebookWindow &window, const QString &child)
{
    auto *chooser = window.findChild<QComboBox *>(u"child"_s);
    QTRY_VERIFY(chooser->findText(child) >= 0);
    chooser->setCurrentText(child);
}

} // namespace

class TestNotebookWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void childrenMostRecentFirst();
    void cellsSayTheirState_data();
    void cellsSayTheirState();
    void gridReadsAsATable_data();
    void gridReadsAsATable();
    void timeForAFactRedrawsAtOnce_data();
    void timeForAFactRedrawsAtOnce();
    void erasesOnlyTheChildShown_data();
    void erasesOnlyTheChildShown();
    void contestTimeKeptPerChild();
    void childAddedBeforeTheFirstGame();
    void printsAPdf();
    void fitsAndCloses_data();
    void fitsAndCloses();
    void saysTheNotebooksProblem_data();
    void saysTheNotebooksProblem();
    void sessionsOfAnswers_data();
    void sessionsOfAnswers();
    void classFromItsServer();
    void opensBesideAWriter();

private:
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<Notebook> m_notebook;
    std::unique_ptr<NotebookWriter> m_owner; // the window's
};

void TestNotebookWindow::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_home->path()));
    m_notebook = std::make_unique<Notebook>();
    QVERIFY2(m_notebook->add(twoChildren()), qPrintable(m_notebook->problem().toDebugString()));
    m_owner = std::make_unique<NotebookWriter>(m_notebook->path());
}

void TestNotebookWindow::childrenMostRecentFirst()
{
    NotebookWindow window(*m_owner);
    auto *chooser = window.findChild<QComboBox *>(u"child"_s);
    QTRY_COMPARE(chooser->count(), 2);
    QCOMPARE(chooser->itemText(0), u"Bruno"_s);
    QCOMPARE(chooser->itemText(1), u"Anna"_s);
    QTRY_VERIFY(cellNames(window).contains(u"1 per 1: quasi"_s));
    // Bruno's one contest, read for the picture once the window is shown.
    window.show();
    QTRY_COMPARE(window.findChild<ProgressChart *>()->sessions().size(), 1);
}

void TestNotebookWindow::cellsSayTheirState_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("details");
    QTest::newRow("imparato") << u"2 per 3: imparato"_s
                              << u"2 per 3 = 6 — chiesta 9 volte, giusta 9 — tempo mediano 2,0 s —"
                                 " l'ultima volta il "_s
            + Monday.date().addDays(69).toString(u"dd/MM/yyyy"_s);
    QTest::newRow("quasi") << u"3 per 4: quasi"_s << u"3 per 4 = 12 — chiesta 1 volta, giusta 1"_s;
    QTest::newRow("da imparare")
        << u"7 per 8: da imparare"_s
        << u"7 per 8 = 56 — chiesta 1 volta, giusta 0 — tempo mediano 5,0 s"_s;
    // The line names the state and why.
    QTest::newRow("da imparare, and why") << u"5 per 5: da imparare"_s
                                          << u"5 per 5 = 25 — chiesta 1 volta, giusta 1"_s
                                             " — tempo mediano 8,0 s — l'ultima volta il "
            + Monday.date().addDays(69).toString(u"dd/MM/yyyy"_s)
            + u" — da imparare: giusta 1 volta, ma oltre i 6 secondi"_s;
    QTest::newRow("mai chiesto") << u"9 per 9: mai chiesto"_s << u"9 per 9 = 81 — mai chiesta"_s;
}

void TestNotebookWindow::cellsSayTheirState()
{
    QFETCH(QString, name);
    QFETCH(QString, details);
    NotebookWindow window(*m_owner);
    choose(window, u"Anna"_s);
    QTRY_VERIFY2(cellNames(window).contains(name), qPrintable(cellNames(window).join(u", "_s)));
    QCOMPARE(cellNames(window).size(), 100);
    const QString cell = name.section(u':', 0, 0);
    const QStringList parts = cell.split(u" per "_s);
    const QString tip = window.findChild<FactGridView *>()
                            ->cell(parts.at(0).toInt(), parts.at(1).toInt())
                            ->toolTip();
    QVERIFY2(tip.startsWith(details), qPrintable(tip));
}

void TestNotebookWindow::gridReadsAsATable_data()
{
    QTest::addColumn<int>("table");
    QTest::addColumn<int>("multiplier");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("column");
    QTest::newRow("7 x 8") << 7 << 8 << u"7 per 8: da imparare"_s << u"Tabellina del 7"_s
                           << u"per 8"_s;
    QTest::newRow("8 x 10") << 8 << 10 << u"8 per 10: mai chiesto"_s << u"Tabellina dell'8"_s
                            << u"per 10"_s;
}

void TestNotebookWindow::gridReadsAsATable()
{
    QFETCH(int, table);
    QFETCH(int, multiplier);
    QFETCH(QString, cell);
    QFETCH(QString, row);
    QFETCH(QString, column);
    NotebookWindow window(*m_owner);
    choose(window, u"Anna"_s);
    QTRY_VERIFY(cellNames(window).contains(cell));
    QAccessibleInterface *grid
        = QAccessible::queryAccessibleInterface(window.findChild<FactGridView *>());
    QCOMPARE(grid->role(), QAccessible::Table);
    QAccessibleTableInterface *cells = grid->tableInterface();
    QCOMPARE(cells->rowDescription(table - 1), row);
    QCOMPARE(cells->columnDescription(multiplier - 1), column);
    QAccessibleInterface *found = cells->cellAt(table - 1, multiplier - 1);
    QCOMPARE(found->text(QAccessible::Name), cell);
    QAccessibleTableCellInterface *at = found->tableCellInterface();
    QCOMPARE(QPoint(at->rowIndex(), at->columnIndex()), QPoint(table - 1, multiplier - 1));
    QCOMPARE(at->rowHeaderCells().value(0)->text(QAccessible::Name), row);
    QCOMPARE(at->columnHeaderCells().value(0)->text(QAccessible::Name), column);
    QCOMPARE(at->table(), grid);

    // The choosers are named by what they choose, then read by their value.
    for (const auto &[name, said] : { std::pair(u"child"_s, u"Quaderno di"_s),
             std::pair(u"factSeconds"_s, u"Tempo per rispondere"_s),
             std::pair(u"contestMinutes"_s, u"Tempo della gara"_s) }) {
        auto *combo = window.findChild<QComboBox *>(name);
        QCOMPARE(QAccessible::queryAccessibleInterface(combo)->text(QAccessible::Name),
            said + u": "_s + combo->currentText());
    }
}

void TestNotebookWindow::timeForAFactRedrawsAtOnce_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<QString>("name");
    QTest::newRow("more time") << 6 << 12 << u"5 per 5: quasi"_s;
    QTest::newRow("less time") << 12 << 6 << u"5 per 5: da imparare"_s;
}

void TestNotebookWindow::timeForAFactRedrawsAtOnce()
{
    QFETCH(int, before);
    QFETCH(int, chosen);
    QFETCH(QString, name);
    QVERIFY(m_notebook->settings().setFactSeconds(u"Anna"_s, before));
    NotebookWindow window(*m_owner);
    choose(window, u"Anna"_s);
    auto *seconds = window.findChild<QComboBox *>(u"factSeconds"_s);
    QTRY_COMPARE(seconds->currentData().toInt(), before);
    QTRY_VERIFY(cellNames(window).contains(u"2 per 3: imparato"_s));
    QVERIFY(!cellNames(window).contains(name));
    seconds->setCurrentIndex(seconds->findData(chosen));
    QTRY_VERIFY(cellNames(window).contains(name));
    QCOMPARE(m_notebook->settings().factSeconds(u"Anna"_s), chosen);
    QCOMPARE(m_notebook->settings().factSeconds(u"Bruno"_s), DefaultFactSeconds);
}

void TestNotebookWindow::erasesOnlyTheChildShown_data()
{
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("yes") << true << QStringList { u"Bruno"_s };
    QTest::newRow("no") << false << QStringList { u"Bruno"_s, u"Anna"_s };
}

void TestNotebookWindow::erasesOnlyTheChildShown()
{
    QFETCH(bool, yes);
    QFETCH(QStringList, left);
    NotebookWindow window(*m_owner);
    QString asked;
    window.setConfirmation([&](const QString &question) {
        asked = question;
        return yes;
    });
    auto *chooser = window.findChild<QComboBox *>(u"child"_s);
    choose(window, u"Anna"_s);
    auto *erase = window.findChild<QPushButton *>(u"erase"_s);
    QCOMPARE(erase->text(), u"Cancella il quaderno di Anna…"_s);
    erase->click();
    QVERIFY2(asked.contains(u"Anna"_s), qPrintable(asked));
    const auto shown = [chooser] {
        QStringList names;
        for (int i = 0; i < chooser->count(); ++i)
            names << chooser->itemText(i);
        return names;
    };
    QTRY_COMPARE(shown(), left);
    QStringList stored;
    const std::optional<QList<Child>> children = m_notebook->children();
    for (const Child &child : children.value())
        stored << child.name;
    QCOMPARE(stored, left);
    QCOMPARE(m_notebook->answers(u"Bruno"_s)->size(), 1);
}

void TestNotebookWindow::contestTimeKeptPerChild()
{
    NotebookWindow window(*m_owner);
    auto *chooser = window.findChild<QComboBox *>(u"child"_s);
    auto *minutes = window.findChild<QComboBox *>(u"contestMinutes"_s);
    choose(window, u"Anna"_s);
    minutes->setCurrentText(u"10 minuti"_s);
    QTRY_COMPARE(m_notebook->settings().contestMinutes(u"anna"_s), 10);
    chooser->setCurrentText(u"Bruno"_s);
    QTRY_COMPARE(minutes->currentText(), u"7 minuti"_s);
    chooser->setCurrentText(u"Anna"_s);
    QTRY_COMPARE(minutes->currentData().toInt(), 10);
}

// Before the first game, a parent adds the child and sets the child's time.
void TestNotebookWindow::childAddedBeforeTheFirstGame()
{
    Notebook empty(m_home->filePath(u"vuoto.sqlite"_s));
    NotebookWriter owner(empty.path());
    NotebookWindow window(owner);
    window.setNameQuestion([](const QString &) { return u"Ugo"_s; });
    window.findChild<QPushButton *>(u"newChild"_s)->click();
    QTRY_COMPARE(window.child(), u"Ugo"_s);
    window.findChild<QComboBox *>(u"contestMinutes"_s)->setCurrentText(u"10 minuti"_s);
    QTRY_COMPARE(empty.settings().contestMinutes(u"ugo"_s), 10);
    QCOMPARE(Notebook(empty.path()).children()->size(), 1);
}

void TestNotebookWindow::printsAPdf()
{
    NotebookWindow window(*m_owner);
    const QString pdf = m_home->filePath(u"quaderno.pdf"_s);
    window.setPrinterChoice([&] { return std::make_unique<QPdfWriter>(pdf); });
    QTRY_COMPARE(window.child(), u"Bruno"_s);
    window.findChild<QPushButton *>(u"print"_s)->click();
    QTRY_VERIFY(QFileInfo(pdf).size() > 0);
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith("%PDF-"));
    QVERIFY(bytes.contains("/Type /Page\n"));
}

void TestNotebookWindow::fitsAndCloses_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Ctrl+W") << int(Qt::Key_W);
    QTest::newRow("Ctrl+Q") << int(Qt::Key_Q);
}

// Small enough for a 1280 x 720 screen at twice the scale (640 x 360 of the
// window's own pixels, less its frame), scrolling where it must; and closed
// by the keys every window closes by.
void TestNotebookWindow::fitsAndCloses()
{
    QFETCH(int, key);
    NotebookWindow window(*m_owner);
    QVERIFY2(window.minimumSizeHint().width() <= 600 && window.minimumSizeHint().height() <= 320,
        qPrintable(u"%1 x %2"_s.arg(window.minimumSizeHint().width())
                       .arg(window.minimumSizeHint().height())));
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &window,
        Qt::Key(key), Qt::ControlModifier);
    QVERIFY(!window.isVisible());
}

void TestNotebookWindow::saysTheNotebooksProblem_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("no file yet") << u"missing"_s;
    QTest::newRow("not a database") << u"garbage"_s;
    QTest::newRow("folder is a file") << u"unusable"_s;
}

void TestNotebookWindow::saysTheNotebooksProblem()
{
    QFETCH(QString, kind);
    QString path = m_home->filePath(u"altro/quaderno.sqlite"_s);
    QVERIFY(QDir().mkpath(m_home->filePath(u"altro"_s)));
    if (kind != u"missing") {
        QFile file(kind == u"garbage" ? path : m_home->filePath(u"altro/file"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (int i = 0; i < 4096; ++i)
            file.putChar(char(i * 7919 % 251));
        path = kind == u"garbage" ? path : file.fileName() + u"/quaderno.sqlite"_s;
    }
    NotebookWriter owner(path);
    NotebookWindow window(owner);
    window.show();
    QTRY_VERIFY(!window.findChild<QLabel *>(u"empty"_s)->text().isEmpty());
    Notebook notebook(path);
    notebook.children();
    const QString problem = notebook.problem() ? Telling::notebook(notebook.problem()) : QString();
    QCOMPARE(problem.isEmpty(), kind != u"unusable");
    QCOMPARE(window.findChild<QWidget *>(u"problemRow"_s)->isVisible(), !problem.isEmpty());
    QCOMPARE(window.findChild<QLabel *>(u"problem"_s)->text(), problem);
    const QString empty = window.findChild<QLabel *>(u"empty"_s)->text();
    QCOMPARE(empty.startsWith(u"Il quaderno è ancora vuoto"_s), problem.isEmpty());
}

void TestNotebookWindow::sessionsOfAnswers_data()
{
    QTest::addColumn<QString>("answers"); // table, g(ara) or r(ipasso), minute
    QTest::addColumn<QList<int>>("asked");
    QTest::newRow("one contest") << u"7g0 7g1 7g2"_s << QList<int> { 3 };
    QTest::newRow("the table changes") << u"7g0 8g1 8g2"_s << QList<int> { 1, 2 };
    QTest::newRow("the mode changes") << u"7g0 7r1"_s << QList<int> { 1, 1 };
    QTest::newRow("ten minutes pass") << u"7g0 7g10 7g21"_s << QList<int> { 2, 1 };
}

void TestNotebookWindow::sessionsOfAnswers()
{
    QFETCH(QString, answers);
    QFETCH(QList<int>, asked);
    QList<Answer> list;
    for (const QString &token : answers.split(u' ')) {
        const Mode mode = token.at(1) == u'g' ? Mode::Contest : Mode::Practice;
        list << answer(
            u"Anna"_s, token.left(1).toInt(), 2, Outcome::Right, 30, 0, token.mid(2).toInt(), mode);
    }
    QList<int> found;
    for (const Session &session : ProgressChart::sessionsOf(list))
        found << session.asked;
    QCOMPARE(found, asked);
}

void TestNotebookWindow::classFromItsServer()
{
    if (!PrivatePostgres::installed())
        QSKIP("PostgreSQL's server is not installed (scripts/install-deps)");
    PrivatePostgres postgres;
    QString why;
    QVERIFY2(postgres.start(&why), qPrintable(why));
    QVERIFY2(postgres.createClass(u"classe"_s, &why), qPrintable(why));
    postgres.sql(u"postgres"_s,
        u"CREATE ROLE pc_aula LOGIN IN ROLE zentovia_alunni;"
        "CREATE ROLE maestra LOGIN IN ROLE zentovia_insegnanti;"_s,
        &why);
    postgres.admit(u"classe"_s, { u"pc_aula"_s, u"maestra"_s }, &why);
    QVERIFY2(why.isEmpty(), qPrintable(why));
    // Carla played on another computer, Anna and Bruno on this one.
    Notebook other(m_home->filePath(u"altro/quaderno.sqlite"_s));
    QVERIFY(other.add(answer(u"Carla"_s, 4, 4, Outcome::Right, 30, 70)));
    ServerTiming quick;
    quick.retryMs = 300;
    const QString children = postgres.connection(u"classe"_s, u"pc_aula"_s);
    const QString teacher = postgres.connection(u"classe"_s, u"maestra"_s);
    {
        ClassSender here(m_notebook->path(), children, quick);
        ClassSender there(other.path(), children, quick);
        ClassReader reader(teacher);
        QTRY_COMPARE(reader.children().value_or(QList<Child>()).size(), 3);
    }

    NotebookWindow window(*m_owner);
    window.setConfirmation([](const QString &) { return true; });
    window.setClass(teacher);
    auto *chooser = window.findChild<QComboBox *>(u"child"_s);
    const auto shown = [&] {
        QStringList names;
        for (int i = 0; i < chooser->count(); ++i)
            names << chooser->itemText(i);
        return names;
    };
    QTRY_COMPARE(shown(), (QStringList { u"Carla"_s, u"Bruno"_s, u"Anna"_s }));
    QTRY_COMPARE(cellNames(window).at(33), u"4 per 4: quasi"_s);
    // The class at a glance: each fact's counts, the children alphabetical.
    window.findChild<QPushButton *>(u"classButton"_s)->click();
    auto *classGrid = window.findChild<QTableWidget *>(u"classGrid"_s);
    QTRY_VERIFY(classGrid->item(3, 3));
    QTRY_COMPARE(classGrid->item(3, 3)->data(Qt::AccessibleTextRole).toString(),
        u"4 per 4: 0 imparato, 1 quasi, 0 da imparare"_s);
    auto *list = window.findChild<QTableWidget *>(u"classChildren"_s);
    QTRY_COMPARE(list->rowCount(), 3);
    QCOMPARE(list->item(0, 0)->text(), u"Anna"_s);
    QCOMPARE(list->item(2, 0)->text(), u"Carla"_s); // no class list yet: nobody marked
    // A page per child, for the parents' meeting.
    const QString pdf = m_home->filePath(u"classe.pdf"_s);
    window.setPrinterChoice([&] { return std::make_unique<QPdfWriter>(pdf); });
    window.findChild<QPushButton *>(u"printClass"_s)->click();
    QFile printed(pdf);
    QVERIFY(printed.open(QIODevice::ReadOnly));
    QCOMPARE(printed.readAll().count("/Type /Page\n"), 3);
    window.findChild<QPushButton *>(u"classButton"_s)->click();
    // The teacher erases Carla's notebook on the server.
    window.findChild<QPushButton *>(u"erase"_s)->click();
    QTRY_COMPARE(shown(), (QStringList { u"Bruno"_s, u"Anna"_s }));

    // The teacher keeps the class list: Dario added, Bruno's answers joined
    // to his; the 7 for the whole class.
    QStringList typed { u"Dario"_s, u"Dario"_s };
    window.findChild<ClassPage *>()->setQuestions(
        [&](const QString &, const QString &, const QStringList &) { return typed.takeFirst(); },
        [](const QStringList &) {
            return ClassPage::Work { { { 7 }, QDate(2099, 1, 15) }, QString() };
        },
        [](const QString &) { return true; });
    window.findChild<QPushButton *>(u"classButton"_s)->click();
    QTRY_COMPARE(list->rowCount(), 2);
    window.findChild<QPushButton *>(u"addChild"_s)->click();
    QTRY_COMPARE(list->rowCount(), 3);
    QCOMPARE(list->item(1, 0)->text(), u"Bruno (non in elenco)"_s);
    list->selectRow(1);
    window.findChild<QPushButton *>(u"renameChild"_s)->click();
    QTRY_COMPARE(list->rowCount(), 2);
    QCOMPARE(list->item(1, 0)->text(), u"Dario"_s);
    QVERIFY(list->item(1, 1)->data(Qt::DisplayRole).toDate().isValid()); // Bruno's day
    window.findChild<QPushButton *>(u"assignTables"_s)->click();
    QTRY_COMPARE(postgres.sql(u"classe"_s, u"SELECT tables FROM zentovia_assignments"_s), u"{7}"_s);
    QTRY_COMPARE(shown(), (QStringList { u"Dario"_s, u"Anna"_s }));
    QVERIFY(list->isVisibleTo(&window)); // the teacher stays on the class's page
    // A new code for Dario in place of the old, and his card.
    const QString cards = m_home->filePath(u"tessere.pdf"_s);
    window.setPrinterChoice([&] { return std::make_unique<QPdfWriter>(cards); });
    const auto dariosHash = [&] {
        return postgres.sql(
            u"classe"_s, u"SELECT hash FROM zentovia_codes WHERE child_key = 'dario'"_s);
    };
    for (const QString &before : { QString(), dariosHash() }) {
        list->selectRow(1);
        window.findChild<QPushButton *>(u"newCodes"_s)->click();
        QTRY_VERIFY(!dariosHash().isEmpty() && dariosHash() != before);
        QTRY_VERIFY(QFile(cards).size() > 0);
        QFile card(cards);
        QVERIFY(card.open(QIODevice::ReadOnly));
        QCOMPARE(card.readAll().count("/Type /Page\n"), 1);
        QVERIFY(QFile::remove(cards));
    }
    window.findChild<QPushButton *>(u"classButton"_s)->click();

    // A pupils' computer shows the children who played on it, and erases
    // nobody.
    {
        NotebookWindow pupils(*m_owner);
        pupils.setClass(children);
        QTRY_VERIFY(pupils.findChild<QLabel *>(u"source"_s)->text().contains(u"giocato qui"_s));
        QVERIFY(!pupils.findChild<QPushButton *>(u"erase"_s)->isVisibleTo(&pupils));
        QTRY_COMPARE(pupils.findChild<QComboBox *>(u"child"_s)->count(), 2);
    }

    // A time for a fact chosen stays chosen: the reply of a read asked
    // before it, with the server's old time, is let go.
    auto *factSeconds = window.findChild<QComboBox *>(u"factSeconds"_s);
    chooser->setCurrentIndex(chooser->findText(u"Anna"_s));
    for (const int seconds : { 3, 12 }) {
        factSeconds->setCurrentIndex(factSeconds->findData(seconds));
        QTRY_COMPARE(postgres.sql(u"classe"_s,
                         u"SELECT fact_seconds FROM zentovia_children WHERE child_key = 'anna'"_s),
            QString::number(seconds));
        QTest::qWait(300);
        QCOMPARE(factSeconds->currentData().toInt(), seconds);
    }

    // A frozen server never holds the window.
    postgres.freeze(true);
    QElapsedTimer clock;
    clock.start();
    window.reload();
    chooser->setCurrentIndex(1);
    window.findChild<QComboBox *>(u"factSeconds"_s)->setCurrentIndex(0);
    QVERIFY2(clock.elapsed() < 100, qPrintable(QString::number(clock.elapsed())));
    postgres.freeze(false);

    // The server away: an erase is refused, not half done; this computer's
    // notebook, and a line that says so.
    postgres.stop();
    const QString child = chooser->currentText();
    const qsizetype kept = m_notebook->answers(child)->size();
    window.findChild<QPushButton *>(u"erase"_s)->click();
    QTRY_VERIFY(window.findChild<QLabel *>(u"problem"_s)->isVisibleTo(&window));
    QCOMPARE(m_notebook->answers(child)->size(), kept);
    window.reload();
    // The erase's line shows already: wait for the reload's own.
    const auto *problem = window.findChild<QLabel *>(u"problem"_s);
    QTRY_VERIFY(problem->isVisibleTo(&window) && problem->text().contains(u"questo computer"_s));
    QTRY_COMPARE(shown(), (QStringList { u"Bruno"_s, u"Anna"_s }));
    // Nor does a window that has not heard from the server offer one.
    NotebookWindow away(*m_owner);
    away.setClass(children);
    QVERIFY(!away.findChild<QPushButton *>(u"erase"_s)->isVisibleTo(&away));
}

// Another program holds a write on the notebook for 15 s (a long erase, a
// migration): the window shows the children at once, and what the contest
// reads at the name comes at once too.
void TestNotebookWindow::opensBesideAWriter()
{
    QProcess writer;
    writer.start(u"sqlite3"_s, { Notebook::defaultPath() });
    QVERIFY2(writer.waitForStarted(), "sqlite3 is needed (scripts/install-deps)");
    const QString held = m_home->filePath(u"held"_s);
    writer.write("BEGIN IMMEDIATE;\nDELETE FROM meta WHERE key = 'nessuna';\n.shell touch '"
        + QFile::encodeName(held) + "'\n.shell sleep 15\nCOMMIT;\n");
    QTRY_VERIFY(QFile::exists(held));
    QElapsedTimer clock;
    clock.start();
    {
        NotebookWriter owner(Notebook::defaultPath());
        NotebookWindow window(owner);
        window.show();
        QTRY_COMPARE(window.findChild<QComboBox *>(u"child"_s)->count(), 2);
        QVERIFY(!window.findChild<QWidget *>(u"problemRow"_s)->isVisible());
    }
    // As the contest reads them, on its notebook's thread.
    NotebookWriter atTheName(Notebook::defaultPath());
    std::optional<NotebookSettings> settings;
    bool grid = false;
    atTheName.read([](Notebook *notebook) { return notebook->settings().all(); },
        [&](const std::optional<NotebookSettings> &read) { settings = read; });
    atTheName.read([](Notebook *notebook) { return notebook->grid(u"Anna"_s).has_value(); },
        [&](bool read) { grid = read; });
    QTRY_VERIFY(grid);
    QVERIFY(settings);
    QCOMPARE(settings->contestMinutes(u"Anna"_s), DefaultContestMinutes);
    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(writer.state(), QProcess::Running);
    writer.kill();
    writer.waitForFinished();
}

QTEST_MAIN(TestNotebookWindow)
#include "test_notebookwindow.moc"
