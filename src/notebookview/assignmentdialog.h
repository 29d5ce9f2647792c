#pragma once

#include "classserver/classlist.h"

#include <QDialog>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;

namespace Zentovia {

// The teacher's box for the tables of the week: for the whole class or one
// child, the tables ("7" or "7, 8") and the last day.
class AssignmentDialog : public QDialog
{
    Q_OBJECT
public:
    AssignmentDialog(const QStringList &children, QWidget *parent = nullptr);

    // The child chosen; empty for the whole class.
    QString child() const;
    // nullopt while the tables written are not tables.
    std::optional<Assignment> assignment() const;

    // "7, 8" or "7 8": the tables 1 to 10, once each; nullopt otherwise.
    static std::optional<QList<int>> tablesOf(const QString &text);

private:
    QComboBox *m_who;
    QLineEdit *m_tables;
    QDateEdit *m_until;
    QLabel *m_hint;
};

} // namespace Zentovia
