#include "app/notebookpractice.h"

#include "classserver/classanswers.h"
#include "core/clock.h"
#include "core/tables.h"
#include "learning/localclock.h"
#include "learning/practiceplan.h"
#include "notebook/notebookwriter.h"
#include "telling/telling.h"

#include <QRandomGenerator>

namespace Zentovia {

NotebookPractice::NotebookPractice(
    NotebookWriter &notebook, const QList<int> &tables, const QString &connection, QObject *parent)
    : QObject(parent)
    , m_notebook(notebook, false)
    , m_chosenTables(tables)
{
    if (!connection.isEmpty())
        m_class = std::make_unique<ClassAnswers>(connection, notebook.path());
}

NotebookPractice::~NotebookPractice() = default;

void NotebookPractice::childNamedWithCode(const QString &child, const QString &code)
{
    m_child = child;
    // A notebook not begun yet: a child with no answers.
    m_notebook.grid(
        this, child, [this](const std::optional<ChildGrid> &read, const ClassProblem &problem) {
            // A notebook that cannot be read: the ripasso goes on as for a
            // child with no answers yet.
            if (!read)
                Telling::toStderr(Telling::classRead(m_notebook.connection(), problem));
            m_local = read ? Local { read->factSeconds, read->grid } : Local();
            if (!m_answered)
                plan();
            Q_EMIT notebookRead();
        });
    if (!m_class)
        return;
    // The child's answers on every computer of the class, and this
    // computer's not sent yet (on a children's computer, with the child's
    // code only: this computer's alone otherwise).
    m_class->answers(this, child, code,
        [this](const std::optional<QList<Answer>> &answers, const ClassProblem &problem) {
            if (!answers) {
                Telling::toStderr(Telling::classRead(m_class->connection(), problem));
                return;
            }
            if (m_answered)
                return; // too late for this ripasso: the plan stays
            m_classAnswers = answers;
            plan();
            Q_EMIT classRead();
        });
}

void NotebookPractice::plan()
{
    const Local local = m_local.value_or(Local());
    FactGrid grid = local.grid;
    if (m_classAnswers) {
        GridBuilder builder(local.factSeconds, LocalClock::wallSeconds(Clock::system().wallNow()));
        for (const Answer &answer : *m_classAnswers)
            builder.add(answer);
        grid = builder.finish();
    }
    QList<int> tables = m_chosenTables;
    if (tables.isEmpty()) {
        for (int table = FirstTable; table <= LastTable; ++table) {
            const auto &row = grid.at(table - 1);
            if (std::any_of(row.begin(), row.end(), [](const FactSummary &s) { return s.asked; }))
                tables << table;
        }
    }
    if (tables.isEmpty())
        tables << DefaultTable;
    m_plan = std::make_unique<PracticePlan>(
        grid, tables, [](int n) { return int(QRandomGenerator::global()->bounded(n)); },
        LocalClock::wallSeconds(Clock::system().wallNow()));
    if (m_asking)
        m_plan->alreadyAsked(*m_asking);
}

Fact NotebookPractice::next()
{
    if (!m_plan)
        plan();
    m_asking = m_plan->next();
    return *m_asking;
}

void NotebookPractice::answered(const Fact &fact, bool right)
{
    m_answered = true;
    m_asking.reset();
    if (m_plan)
        m_plan->answered(fact, right);
}

} // namespace Zentovia
