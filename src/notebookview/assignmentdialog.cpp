#include "notebookview/assignmentdialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace Zentovia {

AssignmentDialog::AssignmentDialog(const QStringList &children, QWidget *parent)
    : QDialog(parent)
    , m_who(new QComboBox(this))
    , m_tables(new QLineEdit(this))
    , m_until(new QDateEdit(QDate::currentDate().addDays(7), this))
    , m_hint(new QLabel(this))
{
    setWindowTitle(u"Le tabelline da ripassare"_s);
    m_who->addItem(u"Tutta la classe"_s);
    m_who->addItems(children);
    m_who->setAccessibleName(u"Per chi"_s);
    m_tables->setPlaceholderText(u"per esempio 7, oppure 7, 8"_s);
    m_tables->setAccessibleName(u"Tabelline"_s);
    m_until->setCalendarPopup(true);
    m_until->setMinimumDate(QDate::currentDate());
    m_until->setDisplayFormat(u"dd/MM/yyyy"_s);
    m_until->setAccessibleName(u"Fino al"_s);
    m_hint->setText(u"Scrivi una o più tabelline da 1 a 10, separate da una virgola."_s);
    m_hint->setWordWrap(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(u"Assegna"_s);
    buttons->button(QDialogButtonBox::Cancel)->setText(u"Annulla"_s);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    connect(m_tables, &QLineEdit::textChanged, this, [this, buttons] {
        buttons->button(QDialogButtonBox::Ok)->setEnabled(assignment().has_value());
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *form = new QFormLayout(this);
    form->addRow(u"Per chi:"_s, m_who);
    form->addRow(u"Tabelline:"_s, m_tables);
    form->addRow(u"Fino al:"_s, m_until);
    form->addRow(m_hint);
    form->addRow(buttons);
}

QString AssignmentDialog::child() const
{
    return m_who->currentIndex() == 0 ? QString() : m_who->currentText();
}

std::optional<Assignment> AssignmentDialog::assignment() const
{
    const std::optional<QList<int>> tables = tablesOf(m_tables->text());
    if (!tables)
        return std::nullopt;
    return Assignment { *tables, m_until->date() };
}

std::optional<QList<int>> AssignmentDialog::tablesOf(const QString &text)
{
    QList<int> tables;
    for (const QString &part : text.split(QRegularExpression(u"[,;\\s]+"_s), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int table = part.toInt(&ok);
        if (!ok || table < 1 || table > 10 || tables.contains(table))
            return std::nullopt;
        tables << table;
    }
    if (tables.isEmpty())
        return std::nullopt;
    return tables;
}

} // namespace Zentovia
