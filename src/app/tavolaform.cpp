#include "app/tavolaform.h"

#include "core/datapath.h"
#include "app/outlineeffect.h"
#include "app/surface.h"
#include "app/twips.h"

#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

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

} // namespace

TavolaForm::TavolaForm(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Tavola"));
    setWindowTitle(caption());

    m_surface = new Surface(this);
    setCentralWidget(m_surface);
    // The client area holds every control: at least 11,900 by 8,120 twips.
    m_surface->setMinimumSize(
        (11900 + TwipsPerPixel - 1) / TwipsPerPixel, (8120 + TwipsPerPixel - 1) / TwipsPerPixel);

    auto label = [this](const char *name, const char *text, QRect twips, const FontChoice &font,
                     const QColor &colour, const QColor &back = QColor()) {
        auto *l = new QLabel(QString::fromUtf8(text), m_surface);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(fromTwips(twips));
        l->setFont(makeFont(font));
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        l->setTextFormat(Qt::PlainText);
        setColours(l, colour, back);
        return l;
    };
    const QColor lightYellow(0xFF, 0xFF, 0x80), red(0xFF, 0, 0), blue(0, 0, 0xFF);
    const QColor yellow(0xFF, 0xFF, 0), purple(0xC0, 0, 0xC0), cyan(0, 0xFF, 0xFF);

    m_Label6 = label("Label6", "Risposte esatte", { 360, 240, 2625, 555 },
        { "Times New Roman", 21.75 }, lightYellow);
    m_lblScore = label(
        "lblScore", "0", { 1440, 840, 315, 540 }, { "Times New Roman", 21.75, true }, lightYellow);
    m_lblScore->setToolTip(QStringLiteral("Questo è il tuo punteggio. Forza con il  record"));
    m_Label1 = label(
        "Label1", "Risposte errate", { 360, 1560, 2595, 555 }, { "Times New Roman", 21.75 }, red);
    m_lblScore1 = label(
        "lblScore1", "0", { 1560, 2160, 300, 540 }, { "Times New Roman", 21.75, true }, red);
    m_Label3 = label(
        "Label3", "Risposte totali", { 360, 2880, 2505, 555 }, { "Times New Roman", 21.75 }, blue);
    m_lblScore2 = label(
        "lblScore2", "0", { 1560, 3600, 315, 540 }, { "Times New Roman", 21.75, true }, blue);
    m_lblMessage = label("lblMessage", "io", { 6360, 2040, 1305, 1275 },
        { "MS Sans Serif", 24, true, true }, red, cyan);
    m_Label11 = label("Label11", "Tempo restante", { 9270, 720, 1815, 615 },
        { "Times New Roman", 14.25 }, yellow);
    m_lblconto = label("lblconto", "00.07.00", { 9360, 1200, 1575, 375 },
        { "Arial Black", 12, true }, yellow, QColor(0x80, 0x80, 0xFF));
    m_lblconto->setAlignment(Qt::AlignCenter);

    m_Image1 = new QLabel(m_surface);
    m_Image1->setObjectName(QStringLiteral("Image1"));
    m_Image1->setGeometry(fromTwips(QRect(9885, 120, 480, 480)));
    m_Image1->setPixmap(QIcon(dataPath(QStringLiteral("pictures/clessidra.svg"))).pixmap(32, 32));
    m_Image1->setToolTip(QStringLiteral("Clicca sotto di me per impostare il Timer"));

    m_Text3 = new QLineEdit(QStringLiteral("Text3"), m_surface);
    m_Text3->setObjectName(QStringLiteral("Text3"));
    m_Text3->setGeometry(fromTwips(QRect(3120, 5040, 6855, 1125)));
    m_Text3->setFont(makeFont({ "Arial", 48 }));
    m_Text3->setMaxLength(250);
    setColours(m_Text3, blue, lightYellow);
    m_Text3->setToolTip(QStringLiteral("Scrivi il numero e poi premi  il tasto Return (Invio)"));
    m_Text3->setAccessibleName(QStringLiteral("Risultato"));

    auto button = [this](const char *name, const char *text, QRect twips, const QColor &face,
                      const char *picture) {
        auto *b = new QPushButton(QString::fromUtf8(text), m_surface);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(fromTwips(twips));
        b->setFont(makeFont({ "MS Sans Serif", 8.25, true }));
        QPalette pal = b->palette();
        pal.setColor(QPalette::Button, face);
        pal.setColor(QPalette::ButtonText, Qt::black);
        b->setPalette(pal);
        b->setIcon(QIcon(dataPath(QString::fromLatin1(picture))));
        b->setIconSize(QSize(32, 32));
        // Enter on a focused button presses it, as the child expects.
        b->setAutoDefault(true);
        return b;
    };
    m_cmdNext = button("cmdNext", "&Nuovo calcolo", { 3120, 6360, 1815, 855 },
        QColor(0xFF, 0x80, 0xFF), "pictures/nuovo.svg");
    m_cmdNext->setEnabled(false);
    m_cmdNext->setToolTip(QStringLiteral("Usa il tasto Return(invio) per l'esercizio successivo"));
    m_cmdExit1 = button("cmdExit1", "E&xit", { 8160, 6360, 1815, 855 }, QColor(0x00, 0xC0, 0xC0),
        "pictures/esci.svg");
    m_cmdExit1->setToolTip(
        QStringLiteral("Ti prego resta ancora, forse riuscirai a farmi uscire "));

    m_Label14
        = label("Label14", "Sfidante", { 120, 6360, 1425, 420 }, { "MS Sans Serif", 13.5 }, yellow);
    m_lblnome1
        = label("lblnome1", "", { 120, 7200, 645, 420 }, { "MS Sans Serif", 13.5, true }, yellow);
    m_Label12 = label(
        "Label12", "Il record  è di ", { 120, 7680, 2295, 375 }, { "MS Sans Serif", 18 }, purple);
    m_lblnome
        = label("lblnome", "nome", { 2400, 7680, 990, 435 }, { "MS Sans Serif", 18, true }, blue);
    m_Label13
        = label("Label13", "con punti", { 6000, 7680, 1455, 435 }, { "MS Sans Serif", 18 }, purple);
    m_lblpunti = label("lblpunti", "0", { 7680, 7680, 195, 435 }, { "MS Sans Serif", 18 }, purple);

    m_lblNum1
        = label("lblNum1", "", { 3840, 0, 345, 1185 }, { "Arial", 48, true }, Qt::black, cyan);
    m_Label10 = label("Label10", "X", { 5640, 120, 615, 975 }, { "Arial", 48 }, Qt::black,
        QColor(0x80, 0xFF, 0xFF));
    m_lblNum2
        = label("lblNum2", "", { 7560, 0, 345, 1185 }, { "Arial", 48, true }, Qt::black, cyan);

    for (QLabel *l : { m_Label6, m_lblScore, m_Label11, m_Label14, m_lblnome1 })
        outline(l);
    // Labels that hold messages, numbers or names grow with their text.
    for (QLabel *l : { m_lblMessage, m_lblScore, m_lblScore1, m_lblScore2, m_lblnome1, m_lblnome,
             m_lblpunti, m_lblNum1, m_lblNum2 })
        l->setProperty("fitsText", QSize(l->width(), l->height()));

    auto hiddenField = [this](const char *name, const char *text) {
        auto *field = new QLineEdit(QString::fromLatin1(text), m_surface);
        field->setObjectName(QString::fromLatin1(name));
        field->hide();
        return field;
    };
    m_Text1 = hiddenField("Text1", "0");
    m_Text6 = hiddenField("Text6", "Text6");
    m_Text7 = hiddenField("Text7", "Text7");
    m_Txtnome1 = hiddenField("Txtnome1", "Text8");
    m_Command3 = new QPushButton(QStringLiteral("verifica"), m_surface);
    m_Command3->setObjectName(QStringLiteral("Command3"));
    m_Command3->hide();

    m_Timer1 = new QTimer(this);
    m_Timer1->setObjectName(QStringLiteral("Timer1"));
    m_Timer1->setInterval(1000);
    m_Timer1->setTimerType(Qt::PreciseTimer);

    buildMenus();
    // Tab goes from the answer box to the two buttons.
    setTabOrder(m_Text3, m_cmdNext);
    setTabOrder(m_cmdNext, m_cmdExit1);
}

QString TavolaForm::caption()
{
    return QString(83, u' ') + QStringLiteral("ZENTOVIA") + QString(31, u' ')
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

void TavolaForm::setQuestionLineVisible(bool visible)
{
    m_lblNum1->setVisible(visible);
    m_lblNum2->setVisible(visible);
    m_Label10->setVisible(visible);
}

} // namespace Zentovia
