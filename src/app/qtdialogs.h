#pragma once

#include "contest/dialogs.h"

#include <QPointer>
#include <QStringList>
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
    // Names the name box offers as the child types (the class list); the
    // box, its title and its words stay as they are.
    void setSuggestions(const QStringList &names) { m_suggestions = names; }
    // Those of names with a word that begins with typed, case ignored:
    // "Nic" finds "Rossi Niccolò", not "Veronica".
    static QStringList namesMatching(const QStringList &names, const QString &typed);

private:
    QPointer<QWidget> m_parent;
    QStringList m_suggestions;
};

} // namespace Zentovia
