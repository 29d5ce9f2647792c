#include "app/qtdialogs.h"

#include "core/title.h"

#include <QCompleter>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStringListModel>

using namespace Qt::StringLiterals;

namespace Zentovia {

QStringList QtDialogs::namesMatching(const QStringList &names, const QString &typed)
{
    static const QRegularExpression between(u"[\\s'’-]+"_s);
    const QString start = typed.simplified().toCaseFolded();
    QStringList matching;
    if (start.isEmpty())
        return matching;
    for (const QString &name : names) {
        const QString folded = name.simplified().toCaseFolded();
        bool found = folded.startsWith(start);
        for (const QRegularExpressionMatch &gap : between.globalMatch(folded))
            found = found || QStringView(folded).mid(gap.capturedEnd()).startsWith(start);
        if (found)
            matching << name;
    }
    return matching;
}

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
    m_nameEdit = box.findChild<QLineEdit *>();
    offerSuggestions();
    if (box.exec() != QDialog::Accepted)
        return QString();
    return box.textValue();
}

void QtDialogs::setSuggestions(const QStringList &names)
{
    m_suggestions = names;
    // They may come while the box is open.
    offerSuggestions();
}

void QtDialogs::offerSuggestions()
{
    QLineEdit *edit = m_nameEdit;
    if (edit && !m_suggestions.isEmpty() && !edit->completer()) {
        // The names with a word that begins as typed: registers put the
        // surname first, and a child types the first name.
        auto *offered = new QStringListModel(edit);
        auto *completer = new QCompleter(offered, edit);
        completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
        edit->setCompleter(completer);
        QObject::connect(edit, &QLineEdit::textEdited, completer,
            [this, offered, completer](const QString &typed) {
                offered->setStringList(namesMatching(m_suggestions, typed));
                if (offered->rowCount() > 0)
                    completer->complete();
            });
    }
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
