#include "app/tavolaform.h"

#include "app/hiddenfield.h"
#include "app/outlineeffect.h"
#include "app/surface.h"
#include "app/twips.h"
#include "core/datapath.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

struct FontChoice
{
    const char *family;
    qreal points;
    bool bold = false;
    bool italic = false;
};

QFont makeFont(const FontChoice &wanted)
{
    QFont font(QString::fromLatin1(wanted.family));
    font.setPointSizeF(wanted.points);
    font.setBold(wanted.bold);
    font.setItalic(wanted.italic);
    if (QLatin1StringView(wanted.family) == QLatin1StringView("Arial Black"))
        font.setWeight(QFont::Black);
    return font;
}

void setColours(QWidget *widget, const QColor &text, const QColor &back = QColor())
{
    QPalette pal = widget->palette();
    pal.setColor(QPalette::WindowText, text);
    pal.setColor(QPalette::Text, text);
    pal.setColor(QPalette::ButtonText, text);
    if (back.isValid()) {
        pal.setColor(QPalette::Window, back);
        pal.setColor(QPalette::Base, back);
        widget->setAutoFillBackground(true);
    }
    widget->setPalette(pal);
}

// Light yellow text gets a thin dark outline so that a child reads it on the
// pale background and on the gradient alike.
void outline(QWidget *widget)
{
    widget->setGraphicsEffect(new OutlineEffect(QColor(0x30, 0x20, 0x50), widget));
}

const QColor LightYellow(0xFF, 0xFF, 0x80);
const QColor Red(0xFF, 0, 0);
const QColor Blue(0, 0, 0xFF);
const QColor Yellow(0xFF, 0xFF, 0);
const QColor Purple(0xC0, 0, 0xC0);
const QColor Cyan(0, 0xFF, 0xFF);

// The client area holds every control: at least 11,900 by 8,120 twips.
QSize formSize()
{
    return { (11900 + TwipsPerPixel - 1) / TwipsPerPixel,
        (8120 + TwipsPerPixel - 1) / TwipsPerPixel };
}

QLabel *label(QWidget *parent, Role role, const char *text, QRect twips, const FontChoice &font,
    const QColor &colour, const QColor &back = QColor())
{
    auto *l = new QLabel(QString::fromUtf8(text), parent);
    l->setObjectName(formName(role));
    l->setGeometry(fromTwips(twips));
    l->setFont(makeFont(font));
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setTextFormat(Qt::PlainText);
    setColours(l, colour, back);
    return l;
}

// Labels that hold messages, numbers or names grow with their text, never
// below the form's size.
QLabel *growing(QLabel *label)
{
    label->setProperty("fitsText", QSize(label->width(), label->height()));
    return label;
}

// A picture drawn from its SVG once, square, at the screen's scale. Through
// QIcon it would load Qt's SVG icon engine plugin as well, for three pictures
// that the SVG renderer the wizard is drawn with draws just as well.
QPixmap picture(const char *file, int side)
{
    const qreal dpr = qApp->devicePixelRatio();
    QPixmap pixmap(QSize(side, side) * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(dataPath(QString::fromLatin1(file)));
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(0, 0, side, side));
    return pixmap;
}

QPushButton *button(QWidget *parent, Role role, const char *text, QRect twips, const QColor &face,
    const char *pictureFile)
{
    auto *b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(formName(role));
    b->setGeometry(fromTwips(twips));
    b->setFont(makeFont({ "MS Sans Serif", 8.25, true }));
    QPalette pal = b->palette();
    pal.setColor(QPalette::Button, face);
    pal.setColor(QPalette::ButtonText, Qt::black);
    b->setPalette(pal);
    b->setIcon(QIcon(picture(pictureFile, 32)));
    b->setIconSize(QSize(32, 32));
    // Enter on a focused button presses it, as the child expects.
    b->setAutoDefault(true);
    return b;
}

} // namespace

TavolaForm::TavolaForm(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Tavola"));
    setWindowTitle(caption());

    m_surface = new Surface(this);
    setCentralWidget(m_surface);
    m_surface->setMinimumSize(formSize());
}

QSize TavolaForm::leastSize()
{
    QMenuBar menus;
    menus.addMenu(u"Zentovia"_s);
    return formSize() + QSize(0, menus.sizeHint().height());
}

void TavolaForm::buildControls()
{
    if (hasControls())
        return;
    // In the form's order, which is also the order of stacking.
    buildScorePanel();
    buildClock();
    buildAnswerAndButtons();
    buildRecordLine();
    buildQuestionLine();
    buildHiddenControls();

    m_ticker = new QTimer(this);
    m_ticker->setObjectName(formName(Role::Ticker));
    m_ticker->setInterval(1000);
    m_ticker->setTimerType(Qt::PreciseTimer);

    buildMenus();
    // Tab goes from the answer box to the two buttons.
    setTabOrder(m_answerBox, m_nextButton);
    setTabOrder(m_nextButton, m_exitButton);
}

void TavolaForm::buildScorePanel()
{
    outline(label(m_surface, Role::CorrectCaption, "Risposte esatte", { 360, 240, 2625, 555 },
        { "Times New Roman", 21.75 }, LightYellow));
    m_correctCount = growing(label(m_surface, Role::CorrectCount, "0", { 1440, 840, 315, 540 },
        { "Times New Roman", 21.75, true }, LightYellow));
    outline(m_correctCount);
    m_correctCount->setToolTip(QStringLiteral("Questo è il tuo punteggio. Forza con il  record"));
    label(m_surface, Role::WrongCaption, "Risposte errate", { 360, 1560, 2595, 555 },
        { "Times New Roman", 21.75 }, Red);
    m_wrongCount = growing(label(m_surface, Role::WrongCount, "0", { 1560, 2160, 300, 540 },
        { "Times New Roman", 21.75, true }, Red));
    label(m_surface, Role::TotalCaption, "Risposte totali", { 360, 2880, 2505, 555 },
        { "Times New Roman", 21.75 }, Blue);
    m_totalCount = growing(label(m_surface, Role::TotalCount, "0", { 1560, 3600, 315, 540 },
        { "Times New Roman", 21.75, true }, Blue));
    showCounts(u"0"_s, u"0"_s, u"0"_s);
}

void TavolaForm::showCounts(const QString &correct, const QString &wrong, const QString &total)
{
    setCaption(m_correctCount, correct);
    setCaption(m_wrongCount, wrong);
    setCaption(m_totalCount, total);
    // A screen reader reads each count with what it counts.
    m_correctCount->setAccessibleName(u"Risposte esatte: "_s + correct);
    m_wrongCount->setAccessibleName(u"Risposte errate: "_s + wrong);
    m_totalCount->setAccessibleName(u"Risposte totali: "_s + total);
}

void TavolaForm::buildClock()
{
    m_verdict = growing(label(m_surface, Role::Verdict, "io", { 6360, 2040, 1305, 1275 },
        { "MS Sans Serif", 24, true, true }, Red, Cyan));
    outline(label(m_surface, Role::ClockCaption, "Tempo restante", { 9270, 720, 1815, 615 },
        { "Times New Roman", 14.25 }, Yellow));
    m_clock = label(m_surface, Role::Clock, "00.07.00", { 9360, 1200, 1575, 375 },
        { "Arial Black", 12, true }, Yellow, QColor(0x80, 0x80, 0xFF));
    m_clock->setAlignment(Qt::AlignCenter);

    auto *hourglass = new QLabel(m_surface);
    hourglass->setObjectName(formName(Role::Hourglass));
    hourglass->setGeometry(fromTwips(QRect(9885, 120, 480, 480)));
    hourglass->setPixmap(picture("pictures/clessidra.svg", 32));
    hourglass->setToolTip(QStringLiteral("Clicca sotto di me per impostare il Timer"));
}

void TavolaForm::buildAnswerAndButtons()
{
    m_answerBox = new QLineEdit(QStringLiteral("Text3"), m_surface);
    m_answerBox->setObjectName(formName(Role::AnswerBox));
    m_answerBox->setGeometry(fromTwips(QRect(3120, 5040, 6855, 1125)));
    m_answerBox->setFont(makeFont({ "Arial", 48 }));
    m_answerBox->setMaxLength(250);
    setColours(m_answerBox, Blue, LightYellow);
    m_answerBox->setToolTip(
        QStringLiteral("Scrivi il numero e poi premi  il tasto Return (Invio)"));
    m_answerBox->setAccessibleName(QStringLiteral("Risultato"));
    // No keyboard of the desktop's on the screen, not even its digits': it
    // rises over Nuovo calcolo, Exit and the record line. A touch screen
    // alone has the keypad instead (see Tavola::eventFilter).
    m_answerBox->setAttribute(Qt::WA_InputMethodEnabled, false);
    m_answerBox->setInputMethodHints(Qt::ImhDigitsOnly | Qt::ImhNoPredictiveText);

    m_nextButton = button(m_surface, Role::NextButton, "&Nuovo calcolo", { 3120, 6360, 1815, 855 },
        QColor(0xFF, 0x80, 0xFF), "pictures/nuovo.svg");
    m_nextButton->setEnabled(false);
    m_nextButton->setToolTip(
        QStringLiteral("Usa il tasto Return(invio) per l'esercizio successivo"));
    m_exitButton = button(m_surface, Role::ExitButton, "E&xit", { 8160, 6360, 1815, 855 },
        QColor(0x00, 0xC0, 0xC0), "pictures/esci.svg");
    m_exitButton->setToolTip(
        QStringLiteral("Ti prego resta ancora, forse riuscirai a farmi uscire "));
}

void TavolaForm::buildRecordLine()
{
    outline(label(m_surface, Role::PlayerCaption, "Sfidante", { 120, 6360, 1425, 420 },
        { "MS Sans Serif", 13.5 }, Yellow));
    m_player = growing(label(m_surface, Role::Player, "", { 120, 7200, 645, 420 },
        { "MS Sans Serif", 13.5, true }, Yellow));
    outline(m_player);
    label(m_surface, Role::RecordCaption, "Il record  è di ", { 120, 7680, 2295, 375 },
        { "MS Sans Serif", 18 }, Purple);
    m_recordHolder = growing(label(m_surface, Role::RecordHolder, "nome", { 2400, 7680, 990, 435 },
        { "MS Sans Serif", 18, true }, Blue));
    label(m_surface, Role::PointsCaption, "con punti", { 6000, 7680, 1455, 435 },
        { "MS Sans Serif", 18 }, Purple);
    m_recordPoints = growing(label(m_surface, Role::RecordPoints, "0", { 7680, 7680, 195, 435 },
        { "MS Sans Serif", 18 }, Purple));
}

void TavolaForm::buildQuestionLine()
{
    m_factor = growing(label(m_surface, Role::Factor, "", { 3840, 0, 345, 1185 },
        { "Arial", 48, true }, Qt::black, Cyan));
    m_times = label(m_surface, Role::Times, "X", { 5640, 120, 615, 975 }, { "Arial", 48 },
        Qt::black, QColor(0x80, 0xFF, 0xFF));
    m_multiplier = growing(label(m_surface, Role::Multiplier, "", { 7560, 0, 345, 1185 },
        { "Arial", 48, true }, Qt::black, Cyan));
}

void TavolaForm::buildHiddenControls()
{
    // No widgets: a hidden line edit still answers a screen reader and
    // tells the accessibility bus each text it is given, the product too.
    const auto field = [this](Role role, const char *text) {
        return new HiddenField(formName(role), QString::fromLatin1(text), this);
    };
    m_factorField = field(Role::FactorField, "0");
    m_multiplierWords = field(Role::MultiplierWords, "Text6");
    m_productField = field(Role::ProductField, "Text7");
    m_playerField = field(Role::PlayerField, "Text8");
    // The button that judges, in a window of its own that is never shown.
    auto *hidden = new QWidget(this, Qt::Window);
    hidden->setObjectName(QStringLiteral("hiddenFields"));
    m_checkButton = new QPushButton(QStringLiteral("verifica"), hidden);
    m_checkButton->setObjectName(formName(Role::CheckButton));
    m_checkButton->hide();
}

QString TavolaForm::caption()
{
    return QString(83, u' ') + QStringLiteral("ZENTOVIA") + QString(31, u' ')
        + QStringLiteral("zentovia@scuola-esempio.it") + QString(4, u' ');
}

QString TavolaForm::practiceCaption()
{
    return QString(40, u' ') + QStringLiteral("ZENTOVIA - RIPASSO") + QString(20, u' ')
        + QStringLiteral("zentovia@scuola-esempio.it") + QString(4, u' ');
}

void TavolaForm::buildMenus()
{
    QMenu *site = menuBar()->addMenu(QStringLiteral("www.zentovia-scuola.it"));
    site->addAction(QStringLiteral("Scuola primaria \"Gianni Rodari\""));
    menuBar()->addMenu(QStringLiteral("Autori: le maestre di Zentovia"));
    QMenu *authors = menuBar()->addMenu(QStringLiteral("Anna e Marco, Via dei Numeri 5, Zentovia"));
    authors->addAction(QStringLiteral("Scrivici: zentovia@scuola-esempio.it"));
    authors->addAction(QStringLiteral("Software freeware"));
    authors->addAction(QStringLiteral("Ai nostri alunni, che ci insegnano ogni giorno"));
}

void TavolaForm::setCaption(QLabel *label, const QString &text)
{
    label->setText(text);
    const QSize least = label->property("fitsText").toSize();
    if (!least.isValid())
        return;
    // A stored caption keeps its line end; it does not take room of its own.
    QString shown = text;
    while (shown.endsWith(u'\n') || shown.endsWith(u'\r'))
        shown.chop(1);
    const int wanted = label->fontMetrics().horizontalAdvance(shown) + 2 * label->margin() + 4;
    label->resize(std::max(least.width(), wanted), least.height());
}

QPushButton *TavolaForm::repeatButton()
{
    if (!m_repeatButton) {
        m_repeatButton = button(m_surface, Role::NextButton, "&Ripeti", { 5640, 6360, 1815, 855 },
            QColor(0xFF, 0xE0, 0x80), "pictures/ripeti.svg");
        m_repeatButton->setObjectName(QStringLiteral("repeatButton"));
        m_repeatButton->setAutoDefault(false);
        m_repeatButton->setFocusPolicy(Qt::NoFocus);
        m_repeatButton->setToolTip(QStringLiteral("Il mago ripete la domanda (F5)"));
        m_repeatButton->show();
    }
    return m_repeatButton;
}

void TavolaForm::setQuestionLineVisible(bool visible)
{
    m_factor->setVisible(visible);
    m_multiplier->setVisible(visible);
    m_times->setVisible(visible);
}

} // namespace Zentovia
