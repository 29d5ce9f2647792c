#pragma once

#include "contest/dialogs.h"

#include <QPointer>
#include <QWidget>

namespace Zentovia {

// The real boxes: QInputDialog and QMessageBox, modal, over the given window.
// Every text shows as plain text.
class QtDialogs : public Dialogs
{
public:
    explicit QtDialogs(QWidget *parent = nullptr);

    QString inputBox(const QString &prompt) override;
    void messageBox(const QString &text) override;

    void setParent(QWidget *parent) { m_parent = parent; }

private:
    QPointer<QWidget> m_parent;
};

} // namespace Zentovia
