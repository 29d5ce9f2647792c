#include "app/tavola.h"

#include "app/dialogs.h"
#include "app/display.h"
#include "app/randomdraw.h"
#include "app/surface.h"
#include "character/agent.h"
#include "character/character.h"
#include "record/recordfiles.h"
#include "words/numlett.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>

#include <cmath>

namespace Zentovia {

const QString Tavola::MerlinId = QStringLiteral("Merlin");
const QString Tavola::MerlinKey = QStringLiteral("merlin/merlin.svg");
const QString Tavola::Instructions = QStringLiteral(
    "Allora attenzione, iniziamo la nostra avventura con la tabellina del 5. Io detto e tu scrivi "
    "il risultato nello spazio sotto di me. Mi raccomando inserisci il risultato e premi invio e "
    "poi "
    "aspetta che io finisca di parlare e premi ancora invio per avere la domanda successiva");

namespace {

constexpr int PlaceX = 250;
constexpr int PlaceY = 175;
constexpr int Height = 205;

// A uniform draw in [0, 1) turned into a whole number 1..10.
qint64 oneToTen(float r)
{
    return qint64(std::floor(10.0f * r)) + 1;
}

} // namespace

Tavola::Tavola(Dialogs &dialogs, RandomDraw &random, Agent &agent1, QWidget *parent)
    : TavolaForm(parent)
    , m_dialogs(dialogs)
    , m_random(random)
    , m_agent1(agent1)
    , m_programEnd([](int status) { QCoreApplication::exit(status); })
{
    connect(m_cmdNext, &QPushButton::clicked, this, &Tavola::askQuestion);
    connect(m_Command3, &QPushButton::clicked, this, &Tavola::checkAnswer);
    connect(m_cmdExit1, &QPushButton::clicked, this, &Tavola::endContest);
    connect(m_Timer1, &QTimer::timeout, this, &Tavola::tick);
    m_Text3->installEventFilter(this);
}

void Tavola::load()
{
    m_state.esatte = 0;
    m_state.errate = 0;

    const QString name = inputBox(QStringLiteral("Come ti chiami?"));
    messageBox(u' ' + name + QStringLiteral(" vediamo se sei un vero campione  "));

    setCaption(m_lblnome1, name);
    if (m_lblnome1->text().isEmpty())
        setCaption(m_lblnome1, QStringLiteral("Amico"));
    m_Txtnome1->setText(m_lblnome1->text());

    m_lblconto->setText(
        clockText(m_state.ore.value(), m_state.minuti.value(), qint64(m_state.secondi)));
    AvviaTimer();

    m_state.dirWindows = Record::GetSystemDir();
    const QString points = Record::pointsPath(m_state.dirWindows);
    const QString holder = Record::namePath(m_state.dirWindows);
    m_state.numFile = 1;
    Record::create(points);
    Record::create(holder);
    setCaption(m_lblpunti, Record::Leggifiletxt(points));
    setCaption(m_lblnome, Record::Leggifiletxt(holder));

    m_agent1.Load(MerlinId, MerlinKey);
    Character &merlin = m_agent1.Item(MerlinId);
    bringIntoView(merlin, QStringLiteral("Announce"));
    merlin.Speak(Instructions);
    connect(&merlin, &Character::clicked, this, &Tavola::sayQuestionAgain, Qt::UniqueConnection);

    setQuestionLineVisible(false);
}

void Tavola::showEvent(QShowEvent *event)
{
    TavolaForm::showEvent(event);
    // The contest starts when the window is first shown, before any tick.
    if (!m_activated && !m_ended)
        activate();
}

void Tavola::closeEvent(QCloseEvent *event)
{
    // Closing the window ends the program as it stands: no farewell, no
    // record.
    TavolaForm::closeEvent(event);
    if (!m_ended)
        endProgram(0);
}

void Tavola::activate()
{
    m_activated = true;
    askQuestion();
    m_state.errate = 0;
    m_state.esatte = 0;
    m_lblconto->setText(QStringLiteral("00.07.00"));
}

void Tavola::askQuestion()
{
    if (m_ended)
        return;
    setQuestionLineVisible(false);
    setCaption(m_lblMessage, QString());
    m_random.reseed();
    m_state.fattore1 = 5;
    m_state.tinta = oneToTen(m_random.next());
    m_Text1->setText(formatNumber(m_state.fattore1.value(), u"#0"));
    setCaption(m_lblNum1, QString::number(m_state.fattore1.value()));
    m_state.moltiplicatore = oneToTen(m_random.next());
    m_Text6->setText(formatNumber(m_state.moltiplicatore.value(), u"#0"));
    setCaption(m_lblNum2, QString::number(m_state.moltiplicatore.value()));
    m_state.risultato = m_state.moltiplicatore * m_state.fattore1;
    m_Text7->setText(QString::number(m_state.risultato.value()));
    m_Text6->setText(numlett(toFixedPoint(m_Text6->text())));

    Character &merlin = m_agent1.Item(MerlinId);
    bringIntoView(merlin, QStringLiteral("Greet"));
    merlin.Speak(m_Text1->text());
    merlin.Speak(QStringLiteral("per"));
    merlin.Speak(m_Text6->text());

    m_judged = false;
    m_Text3->setText(QString());
    m_Text3->setFocus();

    const Int16 twenty(20);
    m_surface->paintGradient((twenty * m_state.fattore1).value(), (twenty * m_state.tinta).value());
}

bool Tavola::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_Text3 && event->type() == QEvent::KeyPress) {
        // Only keys that type a character (Enter and Backspace among them)
        // count; the key still goes into the box.
        const QString typed = static_cast<QKeyEvent *>(event)->text();
        if (!typed.isEmpty())
            answerKeyPressed(typed.at(0).unicode());
    }
    return TavolaForm::eventFilter(watched, event);
}

void Tavola::answerKeyPressed(int code)
{
    if (m_ended)
        return;
    m_surface->clear();
    setQuestionLineVisible(true);
    if (code != 13)
        return;
    if (m_judged) {
        // An answer counts once: back to the button that asks the next one.
        setQuestionLineVisible(false);
        m_cmdNext->setFocus();
        return;
    }
    m_Command3->click();
}

void Tavola::checkAnswer()
{
    if (m_ended)
        return;
    setQuestionLineVisible(false);
    Character &merlin = m_agent1.Item(MerlinId);
    const QString result = m_Text7->text();
    QPalette pal = m_lblMessage->palette();

    if (m_Text3->text() == result) {
        pal.setColor(QPalette::WindowText, QColor(0, 0, 0xFF));
        m_lblMessage->setPalette(pal);
        setCaption(m_lblMessage, QStringLiteral("Esatto. Sei forte!!!"));
        m_state.esatte += 1;
        bringIntoView(merlin);

        bool ok = false;
        const int k = m_lblScore->text().toInt(&ok);
        if (!ok)
            throw Failure(
                QStringLiteral("Il punteggio «%1» non è un numero.").arg(m_lblScore->text()));
        if (k < 10)
            merlin.Speak(QStringLiteral("Esatto"));
        else if (k > 10)
            merlin.Speak(QStringLiteral("Giusto"));
        if (k == 3 || k == 7 || k == 12 || k == 21 || k == 26)
            merlin.Speak(m_Txtnome1->text());
        merlin.Speak(result);

        struct Praise
        {
            int k;
            const char *animation;
            const char *phrase;
        };
        static const Praise ladder[] = {
            { 2, "congratulate", "Sei grande" },
            { 5, "domagic1", "Sei forte" },
            { 10, "congratulate", "Sei sulla buona strada per diventare cavaliere" },
            { 13, "domagic2", "Sei in gamba" },
            { 14, "congratulate", "Sei eccezionale" },
            { 18, "congratulate", "Sei insuperabile" },
            { 23, "congratulate",
                "Ti nomino cavaliere della tabellina, il massimo ordine per un eroe" },
            { 27, "congratulate", "Hai lavorato bene mio leale campione: sei invincibile" },
        };
        for (const Praise &praise : ladder) {
            if (praise.k == k) {
                merlin.Play(QString::fromLatin1(praise.animation));
                merlin.Speak(QString::fromUtf8(praise.phrase));
            }
        }
    } else {
        pal.setColor(QPalette::WindowText, QColor(0xFF, 0, 0));
        m_lblMessage->setPalette(pal);
        setCaption(m_lblMessage, QStringLiteral("Sbagliato!! ") + result);
        m_state.errate += 1;
        bringIntoView(merlin, QStringLiteral("Greet"));
        merlin.Speak(QStringLiteral("Sbagliato"));
        merlin.Speak(result);
        setCaption(m_lblScore1, formatNumber(m_state.errate.value(), u"###0"));
    }

    setCaption(m_lblScore, formatNumber(m_state.esatte.value(), u"####0"));
    setCaption(m_lblScore2, formatNumber((m_state.errate + m_state.esatte).value(), u"####0"));
    m_judged = true;
    m_cmdNext->setEnabled(true);
    m_cmdNext->setFocus();
}

void Tavola::AvviaTimer()
{
    m_Timer1->start();
    m_state.ore = 0;
    m_state.minuti = 7;
    m_state.secondi = 0;
    m_state.secondiRestanti = 420;
}

void Tavola::tick()
{
    // No tick while a box is open or before the contest has started, so the
    // end of contest runs once.
    if (m_ended || m_openBoxes > 0 || !m_activated)
        return;
    if (m_lblconto->text() == QLatin1StringView("00:00:00")) {
        endContest();
        return;
    }
    if (m_state.secondiRestanti < 1) {
        messageBox(QStringLiteral("Tempo scaduto"));
        endContest();
        return;
    }
    advanceClock();
}

void Tavola::advanceClock()
{
    if (m_state.secondi == 0.0f) {
        if (m_state.minuti > 0) {
            m_state.minuti -= 1;
            m_state.secondi = 60;
        } else if (m_state.minuti == 0) {
            if (m_state.ore > 0) {
                m_state.ore -= 1;
                m_state.minuti = 59;
                m_state.secondi = 60;
            } else {
                m_state.ore = 0;
                m_state.minuti = 0;
            }
        }
    }
    m_state.secondi -= 1;
    m_state.secondiRestanti -= 1;
    m_lblconto->setText(
        clockText(m_state.ore.value(), m_state.minuti.value(), qint64(m_state.secondi)));
}

void Tavola::endContest()
{
    if (m_ended)
        return;
    messageBox(QStringLiteral("Ciao. Ti aspetto per la prossima sfida "));
    const double stored = Record::leadingNumber(m_lblpunti->text());
    bool ok = false;
    const int score = m_lblScore->text().toInt(&ok);
    if (!ok)
        throw Failure(QStringLiteral("Il punteggio «%1» non è un numero.").arg(m_lblScore->text()));
    if (stored < score) {
        m_state.numFile = 1;
        Record::store(Record::pointsPath(m_state.dirWindows), m_lblScore->text());
        Record::store(Record::namePath(m_state.dirWindows), m_lblnome1->text());
        messageBox(QStringLiteral("Ok ho registrato il tuo record, C A M P I O N E\""));
    }
    endProgram(0);
}

void Tavola::endProgram(int status)
{
    m_ended = true;
    m_Timer1->stop();
    hide();
    m_programEnd(status);
}

void Tavola::bringIntoView(Character &merlin, const QString &opening)
{
    merlin.Show();
    merlin.MoveTo(PlaceX, PlaceY);
    if (!opening.isEmpty())
        merlin.Play(opening);
    merlin.setHeight(Height);
}

void Tavola::sayQuestionAgain()
{
    if (m_ended || !m_activated)
        return;
    Character &merlin = m_agent1.Item(MerlinId);
    merlin.Speak(m_Text1->text());
    merlin.Speak(QStringLiteral("per"));
    merlin.Speak(m_Text6->text());
}

QString Tavola::inputBox(const QString &prompt)
{
    ++m_openBoxes;
    const auto closed = qScopeGuard([this] { --m_openBoxes; });
    return m_dialogs.inputBox(prompt);
}

void Tavola::messageBox(const QString &text)
{
    ++m_openBoxes;
    const auto closed = qScopeGuard([this] { --m_openBoxes; });
    m_dialogs.messageBox(text);
}

} // namespace Zentovia
