#include "app/picturepad.h"

#include "classserver/picturecode.h"
#include "core/title.h"

#include <QAccessible>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

QPixmap picture(int index, int side, qreal ratio)
{
    QPixmap pixmap(QSize(side, side) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer svg(PictureCode::picturePath(index));
    QPainter painter(&pixmap);
    svg.render(&painter, QRectF(0, 0, side, side));
    return pixmap;
}

QFont bold(int pixels)
{
    QFont font(u"Arial"_s);
    font.setBold(true);
    font.setPixelSize(std::max(pixels, 8));
    return font;
}

} // namespace

PicturePad::PicturePad(PictureLogin &login, int keySide, QWidget *parent)
    : QDialog(parent)
    , m_login(login)
{
    setObjectName(u"picturePad"_s);
    setWindowTitle(programTitle());
    setAccessibleName(u"Il tuo codice"_s);
    // Read by a screen reader as the pad opens.
    setAccessibleDescription(sentence());
    setStyleSheet(u"QDialog { background: #fff8e7; }"_s);
    const qreal ratio = devicePixelRatioF();
    // A picture half again a digit key's side: 18 mm, well over a finger.
    const int side = keySide * 3 / 2;
    const int gap = keySide / 6;
    m_slotSide = keySide;

    auto *column = new QVBoxLayout(this);
    column->setSpacing(gap);
    m_words = new QLabel(sentence(), this);
    m_words->setObjectName(u"padWords"_s);
    m_words->setWordWrap(true);
    m_words->setAlignment(Qt::AlignCenter);
    m_words->setFont(bold(keySide / 3));
    m_words->setStyleSheet(u"color: #1c2a80;"_s);
    column->addWidget(m_words);

    // The pictures given so far, in their order.
    auto *given = new QHBoxLayout;
    given->addStretch();
    for (int n = 0; n < 3; ++n) {
        auto *slot = new QLabel(this);
        slot->setFixedSize(m_slotSide + 8, m_slotSide + 8);
        slot->setAlignment(Qt::AlignCenter);
        slot->setStyleSheet(u"QLabel { border: 3px dashed #a86e00; border-radius: 8px; }"_s);
        given->addWidget(slot);
        m_slots << slot;
    }
    given->addStretch();
    column->addLayout(given);

    auto *grid = new QGridLayout;
    grid->setSpacing(gap);
    const QStringList names = PictureCode::names();
    for (int index = 0; index < names.size(); ++index) {
        auto *button = new QToolButton(this);
        button->setObjectName(u"picture"_s + QString::number(index + 1));
        button->setText(names.at(index));
        button->setAccessibleName(names.at(index));
        button->setToolTip(u"%1 (tasto %2)"_s.arg(names.at(index)).arg(index + 1));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setIcon(QIcon(picture(index, side, ratio)));
        button->setIconSize(QSize(side, side));
        button->setFont(bold(keySide / 4));
        button->setFocusPolicy(Qt::TabFocus);
        button->setStyleSheet(
            u"QToolButton { background: #ffffff; color: #1c2a80; border: 3px solid #a86e00;"
            " border-radius: %1px; padding: 4px; }"
            " QToolButton:pressed { background: #ffd27a; }"
            " QToolButton:focus { border-color: #1c2a80; }"_s.arg(gap));
        connect(button, &QToolButton::clicked, this, [this, index] { pick(index + 1); });
        grid->addWidget(button, index / 3, index % 3);
        m_pictures << button;
    }
    column->addLayout(grid);

    m_forgotten = new QPushButton(u"Non me lo ricordo"_s, this);
    m_forgotten->setObjectName(u"forgotten"_s);
    m_forgotten->setAccessibleName(m_forgotten->text());
    m_forgotten->setFont(bold(keySide / 3));
    m_forgotten->setAutoDefault(false);
    m_forgotten->setMinimumHeight(keySide);
    m_forgotten->setStyleSheet(
        u"QPushButton { background: #ffa8a8; color: #7a0000; border: 3px solid #b03030;"
        " border-radius: %1px; padding: 0 %1px; } QPushButton:pressed { background: #f07070; }"_s
            .arg(gap));
    connect(m_forgotten, &QPushButton::clicked, &m_login, &PictureLogin::giveUp);
    column->addWidget(m_forgotten);

    connect(&m_login, &PictureLogin::checked, this, &PicturePad::checked);
}

QString PicturePad::sentence()
{
    return u"Tocca le tue tre figure, una dopo l'altra."_s;
}

QString PicturePad::again()
{
    return u"Non sono queste. Riprova!"_s;
}

void PicturePad::pick(int digit)
{
    if (digit < 1 || digit > 9 || m_given.size() >= 3 || m_login.checking())
        return;
    m_given += QChar(u'0' + digit);
    showGiven();
    if (m_given.size() == 3)
        m_login.tryCode(m_given);
}

void PicturePad::takeBack()
{
    if (m_login.checking() || m_given.isEmpty())
        return;
    m_given.chop(1);
    showGiven();
}

void PicturePad::showGiven()
{
    QStringList named;
    for (int n = 0; n < m_slots.size(); ++n) {
        const int index = n < m_given.size() ? m_given.at(n).digitValue() - 1 : -1;
        m_slots.at(n)->setPixmap(
            index < 0 ? QPixmap() : picture(index, m_slotSide, devicePixelRatioF()));
        m_slots.at(n)->setAccessibleName(index < 0 ? QString() : PictureCode::names().at(index));
        if (index >= 0)
            named << PictureCode::names().at(index);
    }
    m_words->setText(m_given.isEmpty() ? sentence() : named.join(u", "_s));
    m_words->setAccessibleName(m_words->text());
}

void PicturePad::checked(PictureLogin::Outcome outcome)
{
    if (outcome != PictureLogin::Outcome::Wrong) {
        accept();
        return;
    }
    m_given.clear();
    showGiven();
    m_words->setText(again());
    // Heard with a screen reader wherever the focus is.
    m_words->setAccessibleName(again());
    QAccessibleEvent alert(m_words, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
    Q_EMIT said(again());
}

void PicturePad::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (key >= Qt::Key_1 && key <= Qt::Key_9) {
        pick(key - Qt::Key_0);
        return;
    }
    if (key == Qt::Key_Backspace) {
        takeBack();
        return;
    }
    // Escape is "Non me lo ricordo".
    if (key == Qt::Key_Escape) {
        m_login.giveUp();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace Zentovia
