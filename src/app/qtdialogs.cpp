#include "app/qtdialogs.h"

#include "app/title.h"

#include <QInputDialog>
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
    if (box.exec() != QDialog::Accepted)
        return QString();
    return box.textValue();
}

void QtDialogs::messageBox(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, programTitle(), text, QMessageBox::Ok, m_parent);
    box.exec();
}

} // namespace Zentovia
