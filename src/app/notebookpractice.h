#pragma once

#include "classserver/notebookanswers.h"
#include "core/factsource.h"
#include "learning/answer.h"
#include "learning/factstate.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace Zentovia {

class ClassAnswers;
class NotebookWriter;
class PracticePlan;

// The questions of a ripasso, from the child's notebook. Once the child is
// named, the child's facts are read on the notebook's thread (through the
// same AnswerSource as the class's answers), and the plan is
// made from them; with a class's server, the child's answers on every
// computer of the class are read meanwhile on a thread of their own, and the
// plan is made again from them when they come before the first answer. The
// first question never waits for the notebook or the server: asked before
// either comes, it comes from a plan for a child with no answers yet.
class NotebookPractice : public QObject, public FactSource
{
    Q_OBJECT

public:
    // tables: those chosen on the command line, or none: every table the
    // child has answered in, or else the 5. notebook: the program's one
    // owner of the notebook, which outlives this object. connection: the
    // class's server, or empty.
    NotebookPractice(NotebookWriter &notebook, const QList<int> &tables,
        const QString &connection = QString(), QObject *parent = nullptr);
    ~NotebookPractice() override;

    // The name typed in the name box.
    void childNamed(const QString &child) { childNamedWithCode(child, QString()); }
    // On a children's computer, with the child's picture code.
    void childNamedWithCode(const QString &child, const QString &code);
    // Other tables, before the first question (an assignment for the child
    // named).
    void setTables(const QList<int> &tables) { m_chosenTables = tables; }

    Fact next() override;
    void answered(const Fact &fact, bool right) override;

Q_SIGNALS:
    // The plan now comes from this computer's notebook.
    void notebookRead();
    // The plan now comes from the class's answers.
    void classRead();

private:
    // What this computer's notebook says of the child.
    struct Local
    {
        int factSeconds = DefaultFactSeconds;
        FactGrid grid;
    };
    void plan();

    NotebookAnswers m_notebook;
    std::optional<Local> m_local;
    std::optional<QList<Answer>> m_classAnswers;
    QString m_child;
    QList<int> m_chosenTables;
    std::unique_ptr<ClassAnswers> m_class;
    std::unique_ptr<PracticePlan> m_plan;
    std::optional<Fact> m_asking; // the question asked, not yet answered
    bool m_answered = false; // since the plan was made
};

} // namespace Zentovia
