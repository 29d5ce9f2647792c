#pragma once

#include <QList>
#include <QWidget>

class QInputDevice;

namespace Zentovia {

// A keypad on the screen, for a child's finger: the ten digits, "Cancella"
// and "Invio". Each tap is a key of the keyboard, the digit's, Backspace's
// or Enter's, handed on by tapped(). The keys never take the focus, so that
// what they type lands where the keyboard's keys would.
//
//   1 2 3 Cancella
//   4 5 6
//   7 8 9 Invio
//     0
class Keypad : public QWidget
{
    Q_OBJECT
public:
    // keySide: a digit key's side in the window's pixels (see keySide()).
    explicit Keypad(int keySide, QWidget *parent = nullptr);

    // The side of a digit key, 12 mm, well over the 9 mm a finger needs, for
    // a screen with that many of the window's pixels to an inch of the glass
    // (0 when the screen does not say) and that many of the screen's own
    // pixels to one of the window's. A screen that does not say is taken
    // for a small one, as dense as a small tablet's: on a bigger one the
    // keys are only bigger.
    static int keySide(qreal physicalDpi, qreal devicePixelRatio);
    // The pixels to an inch of a small screen's glass: a small tablet's.
    static constexpr qreal SmallScreenDpi = 160.0;
    // The room between two keys.
    int gap() const { return m_side / 6; }
    static int gap(int keySide) { return keySide / 6; }
    // The keypad's size, with keys of that side.
    static QSize size(int keySide);

    // Whether a computer's only way in is a touch screen: a touch screen,
    // and neither a keyboard nor a mouse.
    static bool touchOnly(const QList<const QInputDevice *> &devices);

Q_SIGNALS:
    // A key tapped, as the keyboard's key would say it: Qt::Key_0 and "0",
    // Qt::Key_Backspace and "\b", Qt::Key_Return and "\r".
    void tapped(int key, const QString &text);

private:
    const int m_side;
};

} // namespace Zentovia
