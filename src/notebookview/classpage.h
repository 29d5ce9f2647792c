#pragma once

#include "classserver/classlist.h"
#include "classserver/classoverview.h"

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QTableWidget;

namespace Zentovia {

// The class at a glance, for the teacher: a 10 x 10 table of the facts, each
// cell with how many children have the fact imparato, quasi and da imparare
// (by colour and number; a screen reader reads "7 per 8: 12 imparato, 9
// quasi, 8 da imparare"), a click on a cell naming the children to help on
// it; and the children, with the last day played, the questions of this
// week and the facts learned, sortable, alphabetical at first. Under the
// list, the teacher keeps the class list (adds a child, renames one, joins a
// name typed otherwise to a child of the list, takes one off) and assigns
// the tables of the week.
class ClassPage : public QWidget
{
    Q_OBJECT
public:
    // The teacher's answers to the page's questions; the defaults open a box
    // over the page. A name: empty when given up; among the names offered.
    using NameQuestion
        = std::function<QString(const QString &question, const QString &name, const QStringList &)>;
    struct Work
    {
        Assignment assignment;
        QString child; // empty: the whole class
    };
    using WorkQuestion = std::function<std::optional<Work>(const QStringList &children)>;
    using Confirmation = std::function<bool(const QString &question)>;

    explicit ClassPage(QWidget *parent = nullptr);

    void setQuestions(NameQuestion name, WorkQuestion work, Confirmation confirm);
    // Says what was done, or what is happening, under the grid.
    void say(const QString &sentence);

    void setClass(const QList<ClassChild> &children);
    const QList<ClassChild> &children() const { return m_class; }
    // While the class is being read.
    void setReading();

    static QString cellName(int table, int multiplier, int learned, int almost, int toLearn);

Q_SIGNALS:
    // "Stampa la classe…": a page per child.
    void printRequested();
    void addRequested(const QString &name);
    // A rename, or a join when to is another child's name.
    void renameRequested(const QString &from, const QString &to);
    void removeRequested(const QString &name);
    // A join undone: the name joined, as typed.
    void unjoinRequested(const QString &joined);
    void assignRequested(const Assignment &assignment, const QString &child);
    // "Nuovo codice e tessera…": new picture codes, in place of the old, and
    // their cards printed; for the child chosen, or every child of the list.
    void codesRequested(const QStringList &children);

private:
    void showHelpers(int row, int column);
    // The child chosen in the list, if any.
    const ClassChild *chosen() const;
    void showChosen();
    void askToAdd();
    void askToRename();
    void askToRemove();
    void askToUnjoin();
    void askToAssign();
    void askForCodes();
    QStringList names() const;

    NameQuestion m_askName;
    WorkQuestion m_askWork;
    Confirmation m_confirm;
    QPushButton *m_add;
    QPushButton *m_rename;
    QPushButton *m_remove;
    QPushButton *m_unjoin;
    QPushButton *m_assign;
    QPushButton *m_codes;

    QList<ClassChild> m_class;
    QTableWidget *m_grid;
    QTableWidget *m_children;
    QLabel *m_helpers;
};

} // namespace Zentovia
