#pragma once

#include "notebookview/namedcombobox.h"

namespace Zentovia {

class ClassQueries;
class NotebookWriter;

// "Tempo della gara": how long the shown child's contests last — the seven
// minutes, ten minutes, or no clock — kept in this computer's notebook and,
// with the teacher's login, for every computer of the class.
class ContestTimeChooser : public NamedComboBox
{
    Q_OBJECT
public:
    // The notebook's owner is the caller's and outlives the chooser.
    explicit ContestTimeChooser(NotebookWriter &notebook, QWidget *parent = nullptr);

    // The child shown; classQueries: the class's server when the window
    // shows the class, or nullptr.
    void showChild(const QString &child, ClassQueries *classQueries);

Q_SIGNALS:
    // Something could not be read or kept.
    void problem(const QString &sentence);

private:
    void choose();
    void showMinutes(int minutes);

    NotebookWriter &m_notebook;
    ClassQueries *m_class = nullptr;
    QString m_child;
    int m_showing = 0; // the last child shown: the server's late answers are dropped
};

} // namespace Zentovia
