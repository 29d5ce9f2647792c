#include "app/tavolakeypad.h"

#include "app/keypad.h"
#include "app/roles.h"
#include "app/surface.h"
#include "app/tavola.h"
#include "app/twips.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodQueryEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>

namespace Zentovia {

namespace {

// The form's frame around the answer box ends 10,215 twips from the left;
// the clock's panel ends 2,055 twips down.
constexpr int AnswerFrameRight = 10215;
constexpr int AnswerFrameTop = 4920;
constexpr int ClockPanelBottom = 2055;

} // namespace

TavolaKeypad::TavolaKeypad(Tavola &window)
    : m_window(window)
{ }

namespace {

int keySide(const QScreen *screen)
{
    return Keypad::keySide(
        screen ? screen->physicalDotsPerInch() : 0.0, screen ? screen->devicePixelRatio() : 1.0);
}

} // namespace

std::pair<int, int> TavolaKeypad::room(const QScreen *screen)
{
    const int side = keySide(screen);
    return { fromTwips(AnswerFrameRight), Keypad::size(side).width() + 2 * Keypad::gap(side) };
}

void TavolaKeypad::show()
{
    if (m_keypad)
        return;
    m_window.ensureControls();
    m_keypad = new Keypad(keySide(m_window.screen()), m_window.findChild<Surface *>());
    connect(m_keypad, &Keypad::tapped, this, &TavolaKeypad::tapped);
    place();
    m_keypad->show();
    Q_EMIT shown();
}

void TavolaKeypad::place()
{
    // Level with the answer box's frame when the window is high enough,
    // else higher up, but never over the clock's panel; the window grows
    // where it must.
    auto *surface = static_cast<QWidget *>(m_keypad->parent());
    const QSize form = surface->minimumSize();
    const int gap = m_keypad->gap();
    const int highest = fromTwips(ClockPanelBottom) + gap;
    const int top = std::max(
        highest, std::min(fromTwips(AnswerFrameTop), form.height() - gap - m_keypad->height()));
    m_keypad->move(fromTwips(AnswerFrameRight) + gap, top);
    surface->setMinimumSize(form.expandedTo(
        QSize(m_keypad->geometry().right() + 1 + gap, m_keypad->geometry().bottom() + 1 + gap)));
}

void TavolaKeypad::tapped(int key, const QString &text)
{
    // A child's double tap on Invio is one: the second would judge the next
    // question's empty box at once.
    if (key == Qt::Key_Return) {
        if (m_lastEnter.isValid() && m_lastEnter.elapsed() < DoubleTapMs)
            return;
        m_lastEnter.start();
    }
    auto *answerBox = m_window.findChild<QLineEdit *>(formName(Role::AnswerBox));
    // Where the keyboard's key would go: the answer box while the child
    // answers, "Nuovo calcolo" once the answer is judged.
    QWidget *target = m_window.focusWidget() ? m_window.focusWidget() : answerBox;
    // Cancella takes back the last digit, wherever a finger left the cursor.
    if (target == answerBox && key == Qt::Key_Backspace)
        answerBox->end(false);
    for (const QEvent::Type type : { QEvent::KeyPress, QEvent::KeyRelease }) {
        QKeyEvent event(type, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(target, &event);
    }
    Q_EMIT used();
}

} // namespace Zentovia
