#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include <utility>

class QScreen;

namespace Zentovia {

class Keypad;
class Tavola;

// The keypad in the drill's window, once it is shown: beside the answer box
// and below the clock's panel, the window grown to hold it. Its taps are the
// keyboard's keys, delivered where those would go, so that they type into
// the same answer box and reach the same check.
class TavolaKeypad : public QObject
{
    Q_OBJECT
public:
    explicit TavolaKeypad(Tavola &window);

    // A second tap on Invio this soon after the first is the same tap.
    static constexpr int DoubleTapMs = 300;

    // Where the keypad stands across the window, and how wide it is with
    // the room around it, on that screen: {left, width}.
    static std::pair<int, int> room(const QScreen *screen);

    // Once; builds the window's controls first if they are not yet built.
    void show();
    bool isShown() const { return m_keypad != nullptr; }

Q_SIGNALS:
    // The keypad is in the window: its place is taken.
    void shown();
    // The child tapped a key.
    void used();

private:
    void place();
    void tapped(int key, const QString &text);

    Tavola &m_window;
    QPointer<Keypad> m_keypad; // the window's
    QElapsedTimer m_lastEnter; // since the last tap on Invio taken
};

} // namespace Zentovia
