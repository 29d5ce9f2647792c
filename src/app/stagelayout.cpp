#include "app/stagelayout.h"

#include <QMenuBar>
#include <QWidget>

namespace Zentovia {

QList<QWidget *> balloonKeepClear(QWidget &window)
{
    static const char *const names[] = {
        "Label6", "lblScore", "Label1", "lblScore1", "Label3", "lblScore2", // the counts
        "lblNum1", "Label10", "lblNum2", // the question line
        "lblMessage", // the verdict
        "Image1", "Label11", "lblconto", // the clock
        "Text3", "cmdNext", "cmdExit1", // the answer box and the buttons
        "Label14", "lblnome1", "Label12", "lblnome", "Label13", "lblpunti", // the names
        "keypad", // the keypad on the screen, when it is there
    };
    QList<QWidget *> widgets;
    for (const char *name : names) {
        if (auto *widget = window.findChild<QWidget *>(QString::fromLatin1(name)))
            widgets.append(widget);
    }
    if (auto *menus = window.findChild<QMenuBar *>())
        widgets.append(menus);
    return widgets;
}

} // namespace Zentovia
