#pragma once

#include "classserver/classoverview.h"

#include <QWidget>

class QLabel;
class QTableWidget;

namespace Zentovia {

// The class at a glance, for the teacher: a 10 x 10 table of the facts, each
// cell with how many children have the fact imparato, quasi and da imparare
// (by colour and number; a screen reader reads "7 per 8: 12 imparato, 9
// quasi, 8 da imparare"), a click on a cell naming the children to help on
// it; and the children, with the last day played, the questions of this
// week and the facts learned, sortable, alphabetical at first.
class ClassPage : public QWidget
{
    Q_OBJECT
public:
    explicit ClassPage(QWidget *parent = nullptr);

    void setClass(const QList<ClassChild> &children);
    const QList<ClassChild> &children() const { return m_class; }
    // While the class is being read.
    void setReading();

    static QString cellName(int table, int multiplier, int learned, int almost, int toLearn);

Q_SIGNALS:
    // "Stampa la classe…": a page per child.
    void printRequested();

private:
    void showHelpers(int row, int column);

    QList<ClassChild> m_class;
    QTableWidget *m_grid;
    QTableWidget *m_children;
    QLabel *m_helpers;
};

} // namespace Zentovia
