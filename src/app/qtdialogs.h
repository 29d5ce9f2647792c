#pragma once

#include "contest/dialogs.h"

#include <QLineEdit>
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
    void setSuggestions(const QStringList &names);
    // Those of names with a word that begins with typed, case ignored:
    // "Nic" finds "Rossi Niccolò", not "Veronica".
    static QStringList namesMatching(const QStringList &names, const QString &typed);

private:
    // Onto the name box, when open, once there are names to offer.
    void offerSuggestions();

    QPointer<QWidget> m_parent;
    QPointer<QLineEdit> m_nameEdit; // the name box's, while it is open
    QStringList m_suggestions;
};

} // namespace Zentovia
