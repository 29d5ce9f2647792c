#include "app/notebookpractice.h"

#include "classserver/classqueries.h"
#include "core/tables.h"
#include "learning/localclock.h"
#include "learning/practiceplan.h"
#include "notebook/notebook.h"
#include "telling/telling.h"

#include <QDebug>
#include <QRandomGenerator>

namespace Zentovia {

NotebookPractice::NotebookPractice(const QString &notebookPath, const QList<int> &tables,
    const QString &connection, QObject *parent)
    : QObject(parent)
    , m_path(notebookPath)
    , m_chosenTables(tables)
{
    if (!connection.isEmpty())
        m_class = std::make_unique<ClassQueries>(connection, notebookPath);
}

NotebookPractice::~NotebookPractice() = default;

void NotebookPractice::childNamedWithCode(const QString &child, const QString &code)
{
    m_child = child;
    if (!m_class)
        return;
    // The child's answers on every computer of the class, and this
    // computer's not sent yet (on a children's computer, with the child's
    // code only: this computer's alone otherwise).
    m_class->ask([child, code](ClassReader &reader,
                     Notebook *local) { return reader.answers(child, local, code); },
        [this](const std::optional<QList<Answer>> &answers, const ClassProblem &problem) {
            if (!answers) {
                Telling::toStderr(Telling::classRead(m_class->connection(), problem));
                return;
            }
            if (m_answered)
                return; // too late for this ripasso: the plan stays
            plan(answers);
            Q_EMIT classRead();
        });
}

void NotebookPractice::plan(const std::optional<QList<Answer>> &classAnswers)
{
    Notebook notebook(m_path);
    const int factSeconds = notebook.factSeconds(m_child).value_or(DefaultFactSeconds);
    std::optional<FactGrid> grid;
    if (classAnswers) {
        GridBuilder builder(factSeconds, LocalClock::wallSeconds(QDateTime::currentDateTime()));
        for (const Answer &answer : *classAnswers)
            builder.add(answer);
        grid = builder.finish();
    } else {
        grid = notebook.grid(m_child);
    }
    if (!grid) {
        // The ripasso goes on as for a child with no answers yet.
        Telling::toStderr(Telling::notebook(notebook.problem()));
        grid.emplace();
    }
    QList<int> tables = m_chosenTables;
    if (tables.isEmpty()) {
        for (int table = FirstTable; table <= LastTable; ++table) {
            const auto &row = grid->at(table - 1);
            if (std::any_of(row.begin(), row.end(), [](const FactSummary &s) { return s.asked; }))
                tables << table;
        }
    }
    if (tables.isEmpty())
        tables << DefaultTable;
    m_plan = std::make_unique<PracticePlan>(
        *grid, tables, [](int n) { return int(QRandomGenerator::global()->bounded(n)); },
        LocalClock::wallSeconds(QDateTime::currentDateTime()));
    if (m_asking)
        m_plan->alreadyAsked(*m_asking);
}

Fact NotebookPractice::next()
{
    if (!m_plan)
        plan(std::nullopt);
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
