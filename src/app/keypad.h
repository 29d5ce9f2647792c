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

    // The side of a digit key for a screen with that many of the window's
    // pixels to an inch of the glass (physical; 0 when the screen does not
    // say) and to a logical inch: 12 mm, well over the 9 mm a finger needs.
    static int keySide(qreal physicalDpi, qreal logicalDpi);
    // The room between two keys.
    int gap() const { return m_side / 6; }

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
