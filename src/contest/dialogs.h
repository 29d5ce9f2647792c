#pragma once

#include <QString>

namespace Zentovia {

// The program's modal boxes, all titled "Zentovia". The window asks through
// this so that tests can answer in the child's place.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // An input box with an empty default text; the typed text unchanged,
    // or the empty text on Cancel.
    virtual QString inputBox(const QString &prompt) = 0;
    // A message box with only an OK button; returns when it is closed.
    virtual void messageBox(const QString &text) = 0;
};

} // namespace Zentovia
