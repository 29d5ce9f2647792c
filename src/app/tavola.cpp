#include "app/tavola.h"

#include "app/hiddenfield.h"
#include "app/notice.h"
#include "app/roles.h"
#include "app/surface.h"
#include "app/wizard.h"
#include "contest/display.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QInputMethodQueryEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

// The focus held from assistive technologies: its event waits, the widget
// has it already.
QPointer<QObject> heldFocus;
bool holding = false;
QAccessible::UpdateHandler passOn = nullptr;

void holdingFocus(QAccessibleEvent *event)
{
    if (event->type() == QAccessible::Focus && event->object() == heldFocus)
        return;
    QAccessible::installUpdateHandler(passOn);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(holdingFocus);
}

void holdFocus(QObject *widget)
{
    heldFocus = widget;
    if (!holding)
        passOn = QAccessible::installUpdateHandler(holdingFocus);
    holding = true;
}

void releaseFocus()
{
    if (holding)
        QAccessible::installUpdateHandler(passOn);
    holding = false;
    heldFocus = nullptr;
}

} // namespace

Tavola::Tavola(Dialogs &dialogs, RandomDraw &random, Agent &agent, int table, QWidget *parent)
    : TavolaForm(parent)
    , m_dialogs(dialogs)
    , m_contest(*this, random, agent, wizardCast(), table)
    , m_programEnd([](int status) { QCoreApplication::exit(status); })
{ }

QString Tavola::inputBox(const QString &prompt)
{
    // Built from the box's own event loop, once the box is up; or at the
    // latest when it closes. The box goes to the display server first, so
    // that building the controls does not hold it back.
    QTimer::singleShot(0, this, [this] {
        QGuiApplication::sync();
        ensureControls();
    });
    const QString typed = m_dialogs.inputBox(prompt);
    ensureControls();
    Q_EMIT boxClosed();
    return typed;
}

void Tavola::messageBox(const QString &text)
{
    QTimer::singleShot(0, this, &Tavola::ensureControls);
    m_dialogs.messageBox(text);
    ensureControls();
    Q_EMIT boxClosed();
}

void Tavola::setPractice(FactSource &source)
{
    m_contest.setPractice(source);
    setWindowTitle(practiceCaption());
}

void Tavola::ensureControls()
{
    if (hasControls())
        return;
    buildControls();
    if (m_contest.isPractice()) {
        // The questions still to come where the time would be; a ripasso
        // has no record.
        setCaption(findChild<QLabel *>(formName(Role::ClockCaption)), u"Mancano"_s);
        for (const Role role :
            { Role::RecordCaption, Role::RecordHolder, Role::PointsCaption, Role::RecordPoints })
            findChild<QLabel *>(formName(role))->hide();
    }
    bindControls();
    bindContest();
    Q_EMIT controlsBuilt();
}

void Tavola::bindControls()
{
    connect(m_nextButton, &QPushButton::clicked, &m_contest, &Contest::askQuestion);
    connect(m_checkButton, &QPushButton::clicked, this,
        [this] { m_contest.judge(m_answerBox->text()); });
    connect(m_exitButton, &QPushButton::clicked, &m_contest, &Contest::finish);
    connect(m_ticker, &QTimer::timeout, &m_contest, &Contest::tick);
    m_answerBox->installEventFilter(this);
}

void Tavola::bindContest()
{
    Contest *contest = &m_contest;
    connect(contest, &Contest::playerNamed, this, [this](const QString &name) {
        setCaption(m_player, name);
        m_playerField->setText(name);
        if (m_contest.isPractice() || m_contest.hasOwnTime())
            offerRepeat();
        // With no clock, the questions still to come where the time would be.
        if (m_contest.hasOwnTime() && m_contest.countsQuestions())
            setCaption(findChild<QLabel *>(formName(Role::ClockCaption)), u"Mancano"_s);
    });
    connect(
        contest, &Contest::recordRead, this, [this](const QString &points, const QString &holder) {
            setCaption(m_recordPoints, points);
            setCaption(m_recordHolder, holder);
        });
    connect(contest, &Contest::clockArmed, m_ticker, qOverload<>(&QTimer::start));
    connect(contest, &Contest::clockShown, this, &Tavola::showClock);
    connect(contest, &Contest::questionAsked, this, &Tavola::showQuestion);
    connect(contest, &Contest::questionSpoken, this, &Tavola::tellQuestion);
    connect(contest, &Contest::questionLineShown, this, &Tavola::setQuestionLineVisible);
    connect(contest, &Contest::gradientPainted, m_surface, &Surface::paintGradient);
    connect(contest, &Contest::drawingCleared, m_surface, &Surface::clear);
    connect(contest, &Contest::verdictShown, this, &Tavola::showVerdict);
    connect(contest, &Contest::countsShown, this, &Tavola::showCounts);
    connect(contest, &Contest::nextOffered, this, [this] {
        m_nextButton->setEnabled(true);
        m_nextButton->setFocus();
    });
    connect(contest, &Contest::ended, this, &Tavola::endProgram);
}

void Tavola::offerRepeat()
{
    if (m_repeatButton)
        return;
    connect(repeatButton(), &QPushButton::clicked, &m_contest, &Contest::sayQuestionAgain);
    auto *again = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(again, &QShortcut::activated, &m_contest, &Contest::sayQuestionAgain);
}

void Tavola::showQuestion(const Question &question)
{
    setCaption(m_verdict, QString());
    m_verdict->setAccessibleName(QString());
    m_nextButton->setAccessibleDescription(QString());
    m_factorField->setText(formatNumber(question.factor.value(), u"#0"));
    setCaption(m_factor, QString::number(question.factor.value()));
    setCaption(m_multiplier, QString::number(question.multiplier.value()));
    m_multiplierWords->setText(question.words);
    m_productField->setText(QString::number(question.product.value()));
    // The last answer goes in silence: a screen reader that heard the caret
    // move in the answer box would take it for the focus already there, and
    // not read the question when the focus comes back to it.
    const QAccessible::UpdateHandler told
        = QAccessible::installUpdateHandler([](QAccessibleEvent *) {});
    m_answerBox->setText(QString());
    QAccessible::installUpdateHandler(told);
    // The question as one text, read by a screen reader with the answer box
    // as the focus comes to it. The focus is there at once, so that early
    // keys land in the box; a screen reader hears of it once the wizard has
    // said the question, not over his voice.
    m_answerBox->setAccessibleDescription(
        u"%1 per %2"_s.arg(question.factor.value()).arg(question.multiplier.value()));
    holdFocus(m_answerBox);
    m_answerBox->setFocus();
}

void Tavola::tellQuestion()
{
    releaseFocus();
    if (m_answerBox->hasFocus()) {
        QAccessibleEvent focus(m_answerBox, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

void Tavola::showVerdict(Contest::Verdict verdict, const QString &text)
{
    QPalette pal = m_verdict->palette();
    pal.setColor(QPalette::WindowText,
        verdict == Contest::Verdict::Right ? QColor(0, 0, 0xFF) : QColor(0xFF, 0, 0));
    m_verdict->setPalette(pal);
    releaseFocus();
    setCaption(m_verdict, text);
    // Announced to a screen reader as it shows, and read with Nuovo calcolo,
    // which takes the focus now.
    m_verdict->setAccessibleName(text);
    m_nextButton->setAccessibleDescription(text);
    announce(m_verdict);
}

void Tavola::announce(QWidget *widget)
{
    // An alert, and with a Qt that has them an announcement: the AT-SPI
    // bridge of Qt 6.4 passes alerts over, Orca then hears only the name
    // that changed.
    QAccessibleEvent alert(widget, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent announcement(widget, widget->accessibleName());
    QAccessible::updateAccessibility(&announcement);
#endif
    Q_EMIT announced(widget->accessibleName());
}

void Tavola::showClock(const QString &text)
{
    m_clock->setText(text);
    // A screen reader hears the minutes left, not every second: what is
    // left changes once a minute, and only the last minute is announced.
    QString left;
    bool lastMinute = false;
    if (m_contest.countsQuestions()) {
        const int questions = text.toInt();
        left = questions == 1 ? u"Manca 1 domanda"_s : u"Mancano %1 domande"_s.arg(questions);
    } else {
        const int minutes = (m_contest.countdown().secondsLeft() + 59) / 60;
        lastMinute = minutes == 1;
        left = lastMinute ? u"1 minuto"_s : u"%1 minuti"_s.arg(minutes);
    }
    if (left == m_clock->accessibleName())
        return;
    m_clock->setAccessibleName(left);
    if (!lastMinute)
        return;
    announce(m_clock);
    if (!m_notice)
        m_notice = new Notice(this);
    m_notice->say(u"Manca 1 minuto"_s);
}

void Tavola::showEvent(QShowEvent *event)
{
    ensureControls();
    TavolaForm::showEvent(event);
    // The contest starts when the window is first shown, before any tick.
    m_contest.activate();
}

void Tavola::closeEvent(QCloseEvent *event)
{
    // The title bar's close button ends the contest as Exit does: the
    // farewell, and a better score kept as the record. The window goes once
    // the contest has ended.
    if (m_contest.hasEnded()) {
        TavolaForm::closeEvent(event);
        return;
    }
    event->ignore();
    m_contest.finish();
}

namespace {

// Alt or the logo key held: an access key, which types nothing. Ctrl with Alt
// is AltGr on some keyboards, which types.
bool accessKeyHeld(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::MetaModifier)
        || ((modifiers & Qt::AltModifier) && !(modifiers & Qt::ControlModifier));
}

} // namespace

bool Tavola::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_answerBox && event->type() == QEvent::InputMethodQuery) {
        // A line edit tells the input method it takes text whatever its
        // attributes say: the box's own answers, but no text from an input
        // method, so that no desktop's keyboard rises over the window.
        auto *query = static_cast<QInputMethodQueryEvent *>(event);
        for (int bit = 0; bit < 32; ++bit) {
            const auto asked = Qt::InputMethodQuery(int(query->queries()) & (1 << bit));
            if (asked)
                query->setValue(asked,
                    asked == Qt::ImEnabled ? QVariant(false)
                                           : m_answerBox->inputMethodQuery(asked));
        }
        query->accept();
        return true;
    }
    if (watched == m_answerBox && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // Alt+N, Alt+X and any other Alt+letter: their button, when enabled,
        // has had the key already; the letter never goes into the answer box
        // (with Nuovo calcolo still disabled, it would).
        if (accessKeyHeld(key->modifiers()))
            return true;
        // Only keys that type a character (Enter and Backspace among them)
        // count; the key still goes into the box. Tab and Shift+Tab only
        // move the focus, as in any window.
        const bool focusKey = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (!focusKey && !key->text().isEmpty())
            m_contest.keyTyped(key->text().at(0), m_answerBox->text());
    }
    return TavolaForm::eventFilter(watched, event);
}

void Tavola::endProgram(int status)
{
    releaseFocus();
    m_ticker->stop();
    hide();
    m_programEnd(status);
}

} // namespace Zentovia
