#include "app/qtdialogs.h"

#include "core/title.h"

#include <QCompleter>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

namespace Zentovia {

QtDialogs::QtDialogs(QWidget *parent)
    : m_parent(parent)
{ }

QString QtDialogs::inputBox(const QString &prompt)
{
    QInputDialog box(m_parent);
    box.setWindowTitle(programTitle());
    box.setLabelText(prompt);
    box.setInputMode(QInputDialog::TextInput);
    box.setTextValue(QString());
    for (QLabel *label : box.findChildren<QLabel *>())
        label->setTextFormat(Qt::PlainText);
    QLineEdit *edit = box.findChild<QLineEdit *>();
    if (edit && !m_suggestions.isEmpty()) {
        auto *completer = new QCompleter(m_suggestions, &box);
        completer->setCaseSensitivity(Qt::CaseInsensitive);
        edit->setCompleter(completer);
    }
    if (box.exec() != QDialog::Accepted)
        return QString();
    return box.textValue();
}

void QtDialogs::messageBox(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, programTitle(), text, QMessageBox::Ok, m_parent);
    // The text as it is: a name with tags, entities or runs of blanks comes
    // out exactly as typed.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace Zentovia
