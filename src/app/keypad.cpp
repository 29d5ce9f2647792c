#include "app/keypad.h"

#include <QFontMetrics>
#include <QInputDevice>
#include <QPushButton>

#include <cmath>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

// A key's colours: its face, its face while pressed, its border and its
// writing. Warm and soft, each kind its own: the digits, the key that takes
// back, the key that answers.
struct Colours
{
    const char *face;
    const char *pressed;
    const char *border;
    const char *ink;
};

constexpr Colours DigitColours { "#ffd27a", "#f0b040", "#a86e00", "#1c2a80" };
constexpr Colours DeleteColours { "#ffa8a8", "#f07070", "#b03030", "#7a0000" };
constexpr Colours EnterColours { "#98e698", "#5cc85c", "#2e8b2e", "#004d00" };

QPushButton *key(QWidget *parent, const QString &text, const QString &name, const QRect &place,
    const Colours &colours, int pixels)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAccessibleName(text);
    // The focus stays where the child types: in the answer box, or on
    // "Nuovo calcolo" after a verdict.
    button->setFocusPolicy(Qt::NoFocus);
    button->setGeometry(place);
    QFont font(u"Arial"_s);
    font.setBold(true);
    font.setPixelSize(pixels);
    // A word narrower than its key, with room for the border.
    while (pixels > 8
        && QFontMetrics(font).horizontalAdvance(text) > place.width() - place.width() / 5)
        font.setPixelSize(--pixels);
    button->setFont(font);
    const int border = std::max(2, place.height() / 16);
    button->setStyleSheet(
        u"QPushButton { background: %1; color: %2; border: %3px solid %4; border-radius: %5px; }"
        " QPushButton:pressed { background: %6; }"_s.arg(QLatin1StringView(colours.face),
            QLatin1StringView(colours.ink), QString::number(border),
            QLatin1StringView(colours.border),
            QString::number(std::min(place.width(), place.height()) / 4),
            QLatin1StringView(colours.pressed)));
    return button;
}

} // namespace

Keypad::Keypad(int keySide, QWidget *parent)
    : QWidget(parent)
    , m_side(keySide)
{
    setObjectName(u"keypad"_s);
    setAccessibleName(u"Tastierino"_s);
    const int s = keySide;
    const int g = gap();
    const int step = s + g;
    const int wide = s * 7 / 4; // the column of Cancella and Invio
    const int digitPixels = s / 2;
    const int wordPixels = s * 2 / 5;

    for (int digit = 0; digit <= 9; ++digit) {
        // 1 to 9 in three rows from the top, 0 across the bottom.
        const QRect place = digit == 0
            ? QRect(0, 3 * step, 3 * s + 2 * g, s)
            : QRect((digit - 1) % 3 * step, (digit - 1) / 3 * step, s, s);
        const QString text = QString::number(digit);
        QPushButton *button = key(this, text, u"keypad"_s + text, place, DigitColours, digitPixels);
        connect(button, &QPushButton::clicked, this,
            [this, digit, text] { Q_EMIT tapped(Qt::Key_0 + digit, text); });
    }
    QPushButton *erase = key(this, u"Cancella"_s, u"keypadDelete"_s,
        QRect(3 * step, 0, wide, s + step), DeleteColours, wordPixels);
    connect(
        erase, &QPushButton::clicked, this, [this] { Q_EMIT tapped(Qt::Key_Backspace, u"\b"_s); });
    QPushButton *enter = key(this, u"Invio"_s, u"keypadEnter"_s,
        QRect(3 * step, 2 * step, wide, s + step), EnterColours, wordPixels);
    connect(enter, &QPushButton::clicked, this, [this] { Q_EMIT tapped(Qt::Key_Return, u"\r"_s); });

    setFixedSize(size(s));
}

QSize Keypad::size(int keySide)
{
    const int step = keySide + gap(keySide);
    return { 3 * step + keySide * 7 / 4, 3 * step + keySide };
}

int Keypad::keySide(qreal physicalDpi, qreal devicePixelRatio)
{
    // A screen that does not know its size says 0, or something absurd; the
    // logical dpi Qt falls back on is no size of any glass.
    const bool known = physicalDpi >= 50 && physicalDpi <= 1000;
    const qreal dpi
        = known ? physicalDpi : SmallScreenDpi / std::max(devicePixelRatio, qreal(0.25));
    constexpr qreal Millimetres = 12.0;
    return int(std::ceil(Millimetres / 25.4 * dpi));
}

bool Keypad::touchOnly(const QList<const QInputDevice *> &devices)
{
    bool touch = false;
    for (const QInputDevice *device : devices) {
        const QString name = device->name();
        // X's own devices stand for the others and are always there; the
        // power button and the lid report as keyboards, but type nothing.
        if (name.startsWith(u"Virtual core"_s) || name.contains(u"Button"_s)
            || name.contains(u"Video Bus"_s) || name.contains(u"Switch"_s))
            continue;
        switch (device->type()) {
        case QInputDevice::DeviceType::TouchScreen:
            touch = true;
            break;
        case QInputDevice::DeviceType::Keyboard:
        case QInputDevice::DeviceType::Mouse:
        case QInputDevice::DeviceType::TouchPad:
            return false;
        default:
            break;
        }
    }
    return touch;
}

} // namespace Zentovia
