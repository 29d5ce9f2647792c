#pragma once

#include <QWidget>

namespace Zentovia {

// A line told to a screen reader wherever the focus is, as the time's last
// minute. Orca reads a notification as it shows, and neither an alert nor a
// name's change away from the focus. Nothing of it is seen: it paints
// nothing, takes no click and no focus.
class Notice : public QWidget
{
    Q_OBJECT
public:
    explicit Notice(QWidget *parent);

    // Shown anew with the text as its name.
    void say(const QString &text);
};

} // namespace Zentovia
