#include "notebookview/notebookwindow.h"

#include "classserver/classanswers.h"
#include "core/title.h"
#include "learning/localclock.h"
#include "notebook/notebookwriter.h"
#include "notebookview/classpage.h"
#include "notebookview/classpages.h"
#include "notebookview/contesttimechooser.h"
#include "notebookview/factgridview.h"
#include "notebookview/namedcombobox.h"
#include "notebookview/sansfont.h"
#include "telling/telling.h"

#include <QComboBox>
#include <QDate>
#include <QEvent>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

const QString NoCellPointed
    = u"Passa sopra una casella, o scegline una con le frecce, per leggerne i dettagli."_s;

// The window's text, in points so that it follows the screen's density.
QFont pointFont(int points)
{
    QFont font = sansFont(1);
    font.setPointSize(points);
    return font;
}

} // namespace

NotebookWindow::NotebookWindow(NotebookWriter &notebook, QWidget *parent)
    : QWidget(parent)
    , m_notebook(notebook)
    , m_local(notebook)
    , m_confirm([this](const QString &question) {
        QMessageBox box(QMessageBox::Question, programTitle(), question,
            QMessageBox::Yes | QMessageBox::No, this);
        box.setDefaultButton(QMessageBox::No);
        box.setTextFormat(Qt::PlainText);
        return box.exec() == QMessageBox::Yes;
    })
    , m_askName([this](const QString &question) {
        bool ok = false;
        const QString name
            = QInputDialog::getText(this, programTitle(), question, QLineEdit::Normal, {}, &ok);
        return ok ? name.simplified() : QString();
    })
    , m_choosePrinter([this]() -> std::unique_ptr<QPagedPaintDevice> {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        // The class's pages, or the child's.
        printer->setDocName(m_pages->currentWidget() == m_classPage
                ? u"La classe"_s
                : u"Quaderno di %1"_s.arg(child()));
        QPrintDialog dialog(printer.get(), this);
        if (dialog.exec() != QDialog::Accepted)
            return nullptr;
        return printer;
    })
{
    setWindowTitle(programTitle() + u" – Quaderno dei progressi"_s);
    setFont(pointFont(11));
    buildControls();
    // As large as it reads best, within the screen it opens on, a small
    // laptop's too, with room left for the window's frame.
    resize(QSize(1100, 800).boundedTo(screen()->availableSize() - QSize(40, 80)));
    reload();
}

NotebookWindow::~NotebookWindow() = default;

void NotebookWindow::buildProblemRow()
{
    m_problemRow = new QWidget(this);
    m_problemRow->setObjectName(u"problemRow"_s);
    m_problemRow->setStyleSheet(
        u"#problemRow { background: #fff4d6; border: 1px solid #e0b860; border-radius: 6px; }"_s);
    m_problem = new QLabel(m_problemRow);
    m_problem->setObjectName(u"problem"_s);
    m_problem->setTextFormat(Qt::PlainText);
    m_problem->setWordWrap(true);
    auto *retry = new QPushButton(u"Riprova"_s, m_problemRow);
    connect(retry, &QPushButton::clicked, this, [this] { reload(child()); });
    auto *problemLayout = new QHBoxLayout(m_problemRow);
    problemLayout->addWidget(m_problem, 1);
    problemLayout->addWidget(retry);
    m_problemRow->hide();
}

QWidget *NotebookWindow::buildChildPage()
{
    auto *content = new QWidget(this);
    m_chooser = new NamedComboBox(u"Quaderno di"_s, content);
    m_chooser->setObjectName(u"child"_s);
    m_chooser->setMinimumContentsLength(12);
    m_chooser->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto *chooserLabel = new QLabel(u"Quaderno di:"_s, content);
    chooserLabel->setBuddy(m_chooser);
    m_seconds = new NamedComboBox(u"Tempo per rispondere"_s, content);
    m_seconds->setObjectName(u"factSeconds"_s);
    for (int seconds : FactSecondsChoices)
        m_seconds->addItem(u"%1 s"_s.arg(seconds), seconds);
    auto *secondsLabel = new QLabel(u"Tempo per rispondere:"_s, content);
    secondsLabel->setBuddy(m_seconds);
    m_minutes = new ContestTimeChooser(m_notebook, content);
    auto *minutesLabel = new QLabel(u"Tempo della gara:"_s, content);
    minutesLabel->setBuddy(m_minutes);
    m_print = new QPushButton(u"Stampa…"_s, content);
    m_print->setObjectName(u"print"_s);
    m_erase = new QPushButton(content);
    m_erase->setObjectName(u"erase"_s);
    m_addChild = new QPushButton(u"Aggiungi un bambino…"_s, this);
    m_addChild->setObjectName(u"newChild"_s);
    m_classButton = new QPushButton(u"La classe"_s, this);
    m_classButton->setObjectName(u"classButton"_s);
    m_classButton->hide();

    auto *bar = new QHBoxLayout;
    bar->addWidget(chooserLabel);
    bar->addWidget(m_chooser);
    bar->addSpacing(24);
    bar->addWidget(secondsLabel);
    bar->addWidget(m_seconds);
    bar->addSpacing(24);
    bar->addWidget(minutesLabel);
    bar->addWidget(m_minutes);
    bar->addStretch(1);
    // The child's settings on one line, what to do with the notebook on
    // the next: the window stays narrow enough for a small screen.
    auto *actions = new QHBoxLayout;
    actions->addStretch(1);
    actions->addWidget(m_print);
    actions->addSpacing(12);
    actions->addWidget(m_erase);

    m_grid = new FactGridView(content);
    m_grid->installEventFilter(this);
    m_detail = new QLabel(NoCellPointed, content);
    m_detail->setObjectName(u"detail"_s);
    m_detail->setTextFormat(Qt::PlainText);
    m_detail->setWordWrap(true);
    m_detail->setMinimumHeight(m_detail->fontMetrics().lineSpacing() * 2 + 4);
    m_detail->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_chart = new ProgressChart(content);

    auto *gridColumn = new QVBoxLayout;
    gridColumn->addWidget(m_grid, 1);
    gridColumn->addWidget(m_detail);
    auto *pictures = new QHBoxLayout;
    pictures->addLayout(gridColumn, 5);
    pictures->addSpacing(24);
    pictures->addWidget(m_chart, 5);
    auto *contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->addLayout(bar);
    contentLayout->addLayout(actions);
    contentLayout->addSpacing(8);
    contentLayout->addLayout(pictures, 1);
    return content;
}

void NotebookWindow::buildControls()
{
    buildProblemRow();
    m_source = new QLabel(this);
    m_source->setObjectName(u"source"_s);
    m_source->setTextFormat(Qt::PlainText);
    m_source->hide();

    m_empty = new QLabel(this);
    m_empty->setObjectName(u"empty"_s);
    m_empty->setAlignment(Qt::AlignCenter);
    m_empty->setWordWrap(true);
    m_empty->setFont(pointFont(15));

    QWidget *content = buildChildPage();

    m_pages = new QStackedWidget;
    m_pages->addWidget(m_empty);
    m_pages->addWidget(content);
    m_classPage = new ClassPage;
    m_pages->addWidget(m_classPage);
    // On a small screen, or a large scale, the page scrolls: every control
    // stays within reach.
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(u"pageScroll"_s);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(m_pages);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->addWidget(m_problemRow);
    auto *sourceRow = new QHBoxLayout;
    sourceRow->addWidget(m_source, 1);
    sourceRow->addWidget(m_addChild);
    sourceRow->addWidget(m_classButton);
    layout->addLayout(sourceRow);
    layout->addWidget(scroll, 1);
    // Closed like any other window.
    for (const QKeySequence &keys :
        { QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::CTRL | Qt::Key_Q) })
        new QShortcut(keys, this, this, &QWidget::close);

    connect(m_chooser, &QComboBox::currentIndexChanged, this, &NotebookWindow::showChild);
    connect(m_seconds, &QComboBox::currentIndexChanged, this, &NotebookWindow::chooseSeconds);
    connect(m_minutes, &ContestTimeChooser::problem, this, &NotebookWindow::showProblem);
    connect(m_print, &QPushButton::clicked, this, &NotebookWindow::askToPrint);
    connect(m_erase, &QPushButton::clicked, this, &NotebookWindow::askToErase);
    connect(m_classButton, &QPushButton::clicked, this, &NotebookWindow::toggleClassPage);
    connect(m_addChild, &QPushButton::clicked, this, &NotebookWindow::askToAdd);
    connectClassPage();
    connect(m_grid, &FactGridView::pointed, this, [this](const QString &details) {
        m_detail->setText(details.isEmpty() ? NoCellPointed : details);
    });
}

QString NotebookWindow::child() const
{
    return m_chooser->currentText();
}

void NotebookWindow::write(std::function<bool(Notebook &)> change, std::function<void()> done)
{
    using Done = std::pair<bool, NotebookProblem>;
    m_notebook.ask(
        [change = std::move(change)](Notebook &notebook) -> Done {
            const bool changed = change(notebook);
            return { changed, changed ? NotebookProblem() : notebook.problem() };
        },
        [self = QPointer(this), done = std::move(done)](const Done &result) {
            if (!self)
                return;
            if (!result.first)
                self->showProblem(Telling::notebook(result.second));
            else if (done)
                done();
        });
}

QString NotebookWindow::classSentence(const ClassProblem &problem) const
{
    return Telling::classRead(m_class->connection(), problem);
}

void NotebookWindow::showProblem(const QString &sentence)
{
    m_problem->setText(sentence);
    m_problemRow->show();
}

void NotebookWindow::setClass(const QString &connection)
{
    m_class = std::make_unique<ClassAnswers>(connection, m_notebook.path());
    m_classShown = false;
    reload();
}

void NotebookWindow::showSource()
{
    m_source->setVisible(m_class != nullptr);
    if (showsClass()) {
        QString text = u"Mostro la classe, dall'archivio della scuola."_s;
        if (m_waiting > 0)
            text += u" %1 risposte di questo computer aspettano di partire e sono già "
                    "comprese."_s.arg(m_waiting);
        m_source->setText(text);
    } else if (m_pupils) {
        m_source->setText(u"Questo computer mostra solo i bambini che hanno giocato qui: la "
                          "classe intera la vede l'insegnante, con il suo accesso."_s);
    } else if (m_class) {
        m_source->setText(u"Mostro il quaderno di questo computer; leggo la classe "
                          "dall'archivio della scuola…"_s);
    }
    m_classButton->setVisible(showsClass());
    m_addChild->setVisible(!showsClass() && !m_pupils);
    // A pupils' computer erases nothing, and the teacher sets each child's
    // time for a fact. With a class's server set, the erase is the teacher's
    // alone, and needs the server: it is offered once the server has said
    // that this login is the teacher's, never while it is away.
    m_erase->setVisible(!m_pupils && (!m_class || showsClass()));
    m_seconds->setEnabled(!m_pupils);
    m_minutes->setEnabled(!m_pupils);
    m_seconds->setToolTip(
        m_pupils ? u"Il tempo per rispondere lo sceglie l'insegnante."_s : QString());
}

void NotebookWindow::leaveClass(const ClassProblem &problem)
{
    m_classShown = false;
    // The problem's line says which notebook is shown.
    showProblem(classSentence(problem) + u" Mostro il quaderno di questo computer."_s);
    m_source->hide();
}

void NotebookWindow::reload(const QString &child)
{
    const int listing = ++m_listing;
    const bool wasClass = showsClass();
    m_classShown = false;
    m_problemRow->hide();
    // This computer's notebook at once; the class's once it comes.
    readChildren(listing, child, !wasClass || !m_class);
    showSource();
    if (!m_class)
        return;
    struct ClassView
    {
        bool teacher = false;
        QList<Child> children; // the teacher's alone
        qint64 waiting = 0;
    };
    m_class->queries().ask(
        [](ClassReader &reader, Notebook *local) -> std::optional<ClassView> {
            if (!reader.open())
                return std::nullopt;
            if (!reader.isTeacher())
                return ClassView();
            const std::optional<QList<Child>> inClass = reader.children(local);
            const std::optional<qint64> waiting = reader.waitingCount(*local);
            if (!inClass || !waiting)
                return std::nullopt;
            return ClassView { true, *inClass, *waiting };
        },
        [this, listing, child, wasClass](
            const std::optional<ClassView> &view, const ClassProblem &problem) {
            if (listing != m_listing)
                return;
            if (!view) {
                leaveClass(problem);
                if (wasClass)
                    readChildren(listing, child, true);
                return;
            }
            m_pupils = !view->teacher;
            m_waiting = view->waiting;
            m_classShown = view->teacher;
            showSource();
            if (view->teacher)
                showChildren(view->children, child);
        });
}

void NotebookWindow::readChildren(int listing, const QString &child, bool show)
{
    m_local.children(this,
        [this, listing, child, show](
            const std::optional<QList<Child>> &children, const ClassProblem &problem) {
            if (listing != m_listing || showsClass())
                return;
            if (!children) {
                showProblem(Telling::classRead(m_local.connection(), problem));
                m_chooser->clear();
                m_empty->setText(u"Non riesco a leggere il quaderno."_s);
                m_pages->setCurrentWidget(m_empty);
            } else if (show) {
                showChildren(*children, child);
            }
        });
}

void NotebookWindow::showChildren(const QList<Child> &children, const QString &child)
{
    // A change made on the class page leaves the teacher there.
    const bool onClassPage = m_pages->currentWidget() == m_classPage;
    if (!onClassPage)
        m_classButton->setText(u"La classe"_s);
    {
        const QSignalBlocker quiet(m_chooser);
        m_chooser->clear();
        for (const Child &known : children)
            m_chooser->addItem(known.name);
        const int shown = m_chooser->findText(child, Qt::MatchFixedString);
        m_chooser->setCurrentIndex(shown >= 0 ? shown : 0);
    }
    if (children.isEmpty()) {
        m_empty->setText(showsClass()
                ? u"Nessun bambino della classe ha ancora giocato. Importa l'elenco della classe "
                  "(zentovia --classe importa classe.csv) o aggiungi i bambini con «La classe», "
                  "assegna le tabelline della settimana, e le risposte arriveranno qui."_s
                : u"Il quaderno è ancora vuoto: gioca una gara e torna qui.\n\n"
                  "Per scegliere prima il tempo della gara di un bambino: "
                  "«Aggiungi un bambino…»."_s);
        if (!onClassPage)
            m_pages->setCurrentWidget(m_empty);
        return;
    }
    if (!onClassPage)
        m_pages->setCurrentIndex(1);
    showChild();
}

void NotebookWindow::showChild()
{
    const QString name = child();
    QString shownName = name;
    m_erase->setText(u"Cancella il quaderno di %1…"_s.arg(shownName.replace(u'&', u"&&"_s)));
    m_minutes->showChild(name, showsClass() ? &m_class->queries() : nullptr);
    showGrid();
    ++m_reading;
    m_chartState = Chart::Stale;
    m_chart->setSessions({});
    m_chart->setReading(true);
}

AnswerSource &NotebookWindow::shown()
{
    if (showsClass())
        return *m_class;
    return m_local;
}

bool NotebookWindow::readFailed(const AnswerSource &source, const ClassProblem &problem)
{
    if (&source == m_class.get() && showsClass()) {
        leaveClass(problem);
        readChildren(m_listing, child(), true);
        return true;
    }
    showProblem(Telling::classRead(source.connection(), problem));
    return false;
}

void NotebookWindow::showGrid()
{
    // The child's time for a fact and grid, from the source shown: the
    // class's with the child's time as the class has it (this computer's,
    // until the teacher sets one).
    m_gridReady = false;
    const int asked = ++m_gridAsked;
    AnswerSource &source = shown();
    // No other child's grid, or other source's, while this one's is read.
    if (m_gridChild != child() || m_gridSource != &source)
        m_grid->setGrid(FactGrid());
    m_gridChild = child();
    m_gridSource = &source;
    source.grid(this, child(),
        [this, &source, name = child(), listing = m_listing, asked](
            const std::optional<ChildGrid> &read, const ClassProblem &problem) {
            if (listing != m_listing || name != child() || asked != m_gridAsked)
                return;
            if (!read && readFailed(source, problem))
                return;
            if (read) {
                const QSignalBlocker quiet(m_seconds);
                m_seconds->setCurrentIndex(m_seconds->findData(read->factSeconds));
            }
            m_grid->setGrid(read ? read->grid : FactGrid());
            m_gridReady = true;
            printWhenReady();
        });
}

bool NotebookWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_grid && event->type() == QEvent::Paint && m_chartState == Chart::Stale)
        readSessions();
    return QWidget::eventFilter(watched, event);
}

void NotebookWindow::readSessions()
{
    m_chartState = Chart::Reading;
    AnswerSource &source = shown();
    source.answers(this, child(), QString(),
        [this, &source, reading = m_reading](
            const std::optional<QList<Answer>> &answers, const ClassProblem &problem) {
            showSessions(reading, answers ? ProgressChart::sessionsOf(*answers) : QList<Session>(),
                answers ? QString() : Telling::classRead(source.connection(), problem));
        });
}

void NotebookWindow::showSessions(
    int reading, const QList<Session> &sessions, const QString &problem)
{
    if (reading != m_reading)
        return;
    m_chartState = Chart::Ready;
    m_chart->setReading(false);
    m_chart->setSessions(sessions);
    if (!problem.isEmpty())
        showProblem(problem);
    printWhenReady();
}

void NotebookWindow::chooseSeconds()
{
    const QString name = child();
    const int seconds = m_seconds->currentData().toInt();
    // A grid asked before is stale.
    ++m_gridAsked;
    write([name, seconds](
              Notebook &notebook) { return notebook.settings().setFactSeconds(name, seconds); },
        [this, name, seconds] {
            if (!showsClass()) {
                if (name == child())
                    showGrid();
                return;
            }
            // For every computer of the class: written first, then read
            // back. A read asked before it is stale, and its reply is let go.
            ++m_gridAsked;
            m_class->queries().ask([name, seconds](ClassReader &reader,
                                       Notebook *) { return reader.setFactSeconds(name, seconds); },
                [this, name](bool set, const ClassProblem &problem) {
                    if (!set)
                        showProblem(classSentence(problem));
                    if (name == child())
                        showGrid();
                });
        });
}

void NotebookWindow::askToAdd()
{
    const QString name
        = m_askName(u"Il nome del bambino, come lo scriverà all'inizio della gara:"_s);
    if (!name.isEmpty())
        write([name](Notebook &notebook) { return notebook.settings().addChild(name); },
            [this, name] { reload(name); });
}

void NotebookWindow::askToErase()
{
    const QString name = child();
    if (name.isEmpty())
        return;
    const QString question = m_class
        ? u"Vuoi cancellare per sempre il quaderno di %1? Le sue risposte spariscono "
          "dall'archivio della scuola subito e, appena ciascun computer della classe lo "
          "raggiunge, anche da ogni computer della classe. I record delle gare restano."_s.arg(name)
        : u"Vuoi cancellare per sempre il quaderno di %1? Le sue risposte non si potranno più "
          "vedere. I record delle gare restano."_s.arg(name);
    if (!m_confirm(question))
        return;
    const auto eraseHere = [this, name] {
        write([name](Notebook &notebook) { return notebook.erase(name); }, [this] { reload(); });
    };
    if (!m_class) {
        eraseHere();
        return;
    }
    // With a class's server, on the server first, whether or not it has
    // answered yet: this computer's copy goes only once the server's has.
    m_erase->setEnabled(false);
    m_class->queries().ask([name](ClassReader &reader, Notebook *) { return reader.erase(name); },
        [this, eraseHere](bool erased, const ClassProblem &problem) {
            m_erase->setEnabled(true);
            if (!erased) {
                showProblem(classSentence(problem));
                return;
            }
            eraseHere();
        });
}

} // namespace Zentovia
