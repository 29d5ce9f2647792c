#pragma once

#include <QList>

class QWidget;

namespace Zentovia {

// The controls of the window that the wizard's balloon leaves in view: the
// score panel, the question line, the verdict, the clock with its caption,
// the answer box and its buttons, the player's and the record's lines, and
// the menu bar, and the keypad on the screen. Controls are found by their object names.
QList<QWidget *> balloonKeepClear(QWidget &window);

} // namespace Zentovia
