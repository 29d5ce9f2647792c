#include "notebookview/notebookwindow.h"

#include "core/title.h"
#include "notebook/classreader.h"
#include "notebook/notebook.h"
#include "notebookview/factgrid.h"

#include <QComboBox>
#include <QDate>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QThread>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

const QString NoCellPointed
    = u"Passa sopra una casella, o scegline una con le frecce, per leggerne i dettagli."_s;

QFont liberationSans(int points, bool bold = false)
{
    QFont font(u"Liberation Sans"_s, points);
    font.setStyleHint(QFont::SansSerif);
    font.setBold(bold);
    return font;
}

} // namespace

NotebookWindow::NotebookWindow(Notebook &notebook, QWidget *parent)
    : QWidget(parent)
    , m_notebook(notebook)
    , m_confirm([this](const QString &question) {
        QMessageBox box(QMessageBox::Question, programTitle(), question,
            QMessageBox::Yes | QMessageBox::No, this);
        box.setDefaultButton(QMessageBox::No);
        box.setTextFormat(Qt::PlainText);
        return box.exec() == QMessageBox::Yes;
    })
    , m_choosePrinter([this]() -> std::unique_ptr<QPagedPaintDevice> {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setDocName(u"Quaderno di %1"_s.arg(child()));
        QPrintDialog dialog(printer.get(), this);
        if (dialog.exec() != QDialog::Accepted)
            return nullptr;
        return printer;
    })
{
    setWindowTitle(programTitle() + u" – Quaderno dei progressi"_s);
    setFont(liberationSans(11));
    buildControls();
    // As large as it reads best, within the screen it opens on, a small
    // laptop's too, with room left for the window's frame.
    resize(QSize(1100, 760).boundedTo(screen()->availableSize() - QSize(40, 80)));
    reload();
}

NotebookWindow::~NotebookWindow()
{
    for (QThread *reader : std::as_const(m_readers))
        reader->wait();
    qDeleteAll(m_readers);
}

void NotebookWindow::buildControls()
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

    m_empty = new QLabel(this);
    m_empty->setObjectName(u"empty"_s);
    m_empty->setAlignment(Qt::AlignCenter);
    m_empty->setWordWrap(true);
    m_empty->setFont(liberationSans(15));

    auto *content = new QWidget(this);
    m_chooser = new QComboBox(content);
    m_chooser->setObjectName(u"child"_s);
    m_chooser->setMinimumContentsLength(12);
    m_chooser->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto *chooserLabel = new QLabel(u"Quaderno di:"_s, content);
    chooserLabel->setBuddy(m_chooser);
    m_seconds = new QComboBox(content);
    m_seconds->setObjectName(u"factSeconds"_s);
    for (int seconds : FactSecondsChoices)
        m_seconds->addItem(u"%1 s"_s.arg(seconds), seconds);
    auto *secondsLabel = new QLabel(u"Tempo per rispondere:"_s, content);
    secondsLabel->setBuddy(m_seconds);
    m_print = new QPushButton(u"Stampa…"_s, content);
    m_print->setObjectName(u"print"_s);
    m_erase = new QPushButton(content);
    m_erase->setObjectName(u"erase"_s);

    auto *bar = new QHBoxLayout;
    bar->addWidget(chooserLabel);
    bar->addWidget(m_chooser);
    bar->addSpacing(24);
    bar->addWidget(secondsLabel);
    bar->addWidget(m_seconds);
    bar->addStretch(1);
    bar->addWidget(m_print);
    bar->addSpacing(12);
    bar->addWidget(m_erase);

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
    contentLayout->addSpacing(8);
    contentLayout->addLayout(pictures, 1);

    m_pages = new QStackedWidget(this);
    m_pages->addWidget(m_empty);
    m_pages->addWidget(content);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->addWidget(m_problemRow);
    layout->addWidget(m_pages, 1);

    connect(m_chooser, &QComboBox::currentIndexChanged, this, &NotebookWindow::showChild);
    connect(m_seconds, &QComboBox::currentIndexChanged, this, &NotebookWindow::chooseSeconds);
    connect(m_print, &QPushButton::clicked, this, &NotebookWindow::askToPrint);
    connect(m_erase, &QPushButton::clicked, this, &NotebookWindow::askToErase);
    connect(m_grid, &FactGridView::pointed, this, [this](const QString &details) {
        m_detail->setText(details.isEmpty() ? NoCellPointed : details);
    });
}

QString NotebookWindow::child() const
{
    return m_chooser->currentText();
}

bool NotebookWindow::check(bool ok)
{
    if (!ok)
        showProblem(m_notebook.problem());
    return ok;
}

void NotebookWindow::showProblem(const QString &sentence)
{
    m_problem->setText(sentence);
    m_problemRow->show();
}

void NotebookWindow::setClass(const QString &connection)
{
    m_class = connection;
    m_reader = std::make_unique<ClassReader>(connection);
    reload();
}

void NotebookWindow::leaveClass()
{
    showProblem(m_reader->problem() + u" Mostro il quaderno di questo computer."_s);
    m_reader.reset();
    m_class.clear();
}

void NotebookWindow::reload(const QString &child)
{
    std::optional<QList<Child>> children;
    const bool left = m_reader && !(children = m_reader->children());
    if (left)
        leaveClass();
    if (!m_reader)
        children = m_notebook.children();
    {
        const QSignalBlocker quiet(m_chooser);
        m_chooser->clear();
        for (const Child &known : children.value_or(QList<Child>()))
            m_chooser->addItem(known.name);
        const int shown = m_chooser->findText(child, Qt::MatchFixedString);
        m_chooser->setCurrentIndex(shown >= 0 ? shown : 0);
    }
    if (!check(children.has_value())) {
        m_empty->setText(u"Non riesco a leggere il quaderno."_s);
        m_pages->setCurrentWidget(m_empty);
        return;
    }
    if (!left)
        m_problemRow->hide();
    if (children->isEmpty()) {
        m_empty->setText(u"Il quaderno è ancora vuoto: gioca una gara e torna qui."_s);
        m_pages->setCurrentWidget(m_empty);
        return;
    }
    m_pages->setCurrentIndex(1);
    showChild();
}

void NotebookWindow::showChild()
{
    const QString name = child();
    QString shownName = name;
    m_erase->setText(u"Cancella il quaderno di %1…"_s.arg(shownName.replace(u'&', u"&&"_s)));
    const std::optional<int> seconds = m_notebook.factSeconds(name);
    if (check(seconds.has_value())) {
        const QSignalBlocker quiet(m_seconds);
        m_seconds->setCurrentIndex(m_seconds->findData(*seconds));
    }
    showGrid();
    ++m_reading;
    m_chartState = Chart::Stale;
    m_chart->setSessions({});
    m_chart->setReading(true);
}

void NotebookWindow::showGrid()
{
    std::optional<FactGrid> grid;
    if (m_reader) {
        // The child's time for a fact is kept on this computer.
        grid = m_reader->grid(child(), m_seconds->currentData().toInt());
        if (!grid)
            leaveClass();
    }
    if (!m_reader && !check((grid = m_notebook.grid(child())).has_value()))
        grid.emplace();
    m_grid->setGrid(*grid);
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
    QThread *reader = QThread::create([this, path = m_notebook.path(), name = child(),
                                          reading = m_reading, server = m_class] {
        // A connection of its own: the window's stays on the window's thread.
        Notebook notebook(path);
        ClassReader classReader(server);
        const std::optional<QList<Answer>> answers
            = server.isEmpty() ? notebook.answers(name) : classReader.answers(name);
        const QList<Session> sessions
            = answers ? ProgressChart::sessionsOf(*answers) : QList<Session>();
        const QString problem = answers ? QString()
            : server.isEmpty()          ? notebook.problem()
                                        : classReader.problem();
        // The window waits for its readers before it goes.
        QMetaObject::invokeMethod(
            this, [=, this] { showSessions(reading, sessions, problem); }, Qt::QueuedConnection);
    });
    m_readers.append(reader);
    connect(reader, &QThread::finished, this, [this, reader] {
        m_readers.removeOne(reader);
        reader->wait(); // past its finished signal, to its very end
        delete reader;
    });
    reader->start(QThread::LowPriority);
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
}

void NotebookWindow::chooseSeconds()
{
    if (check(m_notebook.setFactSeconds(child(), m_seconds->currentData().toInt())))
        showGrid();
}

void NotebookWindow::askToErase()
{
    const QString name = child();
    if (name.isEmpty())
        return;
    const QString question = u"Vuoi cancellare per sempre il quaderno di %1? Le sue risposte "
                             "non si potranno più vedere. I record delle gare restano."_s.arg(name);
    if (!m_confirm(question))
        return;
    if (m_reader && !m_reader->erase(name)) {
        showProblem(m_reader->problem());
        return;
    }
    if (check(m_notebook.erase(name)))
        reload();
}

void NotebookWindow::askToPrint()
{
    const std::unique_ptr<QPagedPaintDevice> device = m_choosePrinter();
    if (device && !print(*device))
        showProblem(u"Non riesco a stampare: controlla la stampante e riprova."_s);
}

bool NotebookWindow::print(QPagedPaintDevice &device)
{
    if (child().isEmpty())
        return false;
    if (m_chartState != Chart::Ready) {
        const std::optional<QList<Answer>> answers
            = m_reader ? m_reader->answers(child()) : m_notebook.answers(child());
        showSessions(++m_reading, answers ? ProgressChart::sessionsOf(*answers) : QList<Session>(),
            answers        ? QString()
                : m_reader ? m_reader->problem()
                           : m_notebook.problem());
    }
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const QRectF page(0, 0, device.width(), device.height());
    const qreal line = page.height() / 36;
    QFont font = liberationSans(11, true);
    font.setPixelSize(qRound(line));
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(page.left(), page.top(), page.width(), line * 1.5),
        Qt::AlignLeft | Qt::AlignVCenter, u"Quaderno dei progressi di %1"_s.arg(child()));
    font.setBold(false);
    font.setPixelSize(qRound(line * 0.6));
    painter.setFont(font);
    painter.drawText(QRectF(page.left(), page.top() + line * 1.5, page.width(), line),
        Qt::AlignLeft | Qt::AlignVCenter,
        u"%1 – stampato il %2 – tempo per rispondere: %3"_s.arg(programTitle(),
            QDate::currentDate().toString(u"dd/MM/yyyy"_s), m_seconds->currentText()));
    const qreal gridTop = page.top() + line * 3.2;
    FactGridView::paint(
        painter, QRectF(page.left(), gridTop, page.width(), page.height() * 0.55), m_grid->grid());
    const qreal chartTop = gridTop + page.height() * 0.57;
    ProgressChart::paint(painter,
        QRectF(page.left(), chartTop, page.width(), page.bottom() - chartTop), m_chart->sessions());
    return painter.end();
}

} // namespace Zentovia
