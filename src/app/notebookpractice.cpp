#include "app/notebookpractice.h"

#include "notebook/classreader.h"
#include "notebook/notebook.h"
#include "notebook/practiceplan.h"
#include "notebook/serversettings.h"

#include <QDebug>
#include <QRandomGenerator>

namespace Zentovia {

NotebookPractice::NotebookPractice(
    const QString &notebookPath, std::function<QString()> child, const QList<int> &tables)
    : m_path(notebookPath)
    , m_child(std::move(child))
    , m_tables(tables)
{ }

NotebookPractice::~NotebookPractice() = default;

void NotebookPractice::plan()
{
    Notebook notebook(m_path);
    const QString child = m_child();
    std::optional<FactGrid> grid;
    // With a class's server, the child's answers on every computer of the
    // class, and this computer's not sent yet; without it, or when it cannot
    // be reached, this computer's.
    const ServerSettings server = ServerSettings::read();
    if (server.isSet()) {
        ClassReader reader(server.connection());
        const auto answers = reader.answers(child, &notebook);
        if (answers)
            grid = gridOf(*answers, notebook.factSeconds(child).value_or(DefaultFactSeconds));
        else
            qWarning().noquote() << u"zentovia: " + reader.problem();
    }
    if (!grid)
        grid = notebook.grid(child);
    if (!grid) {
        // The ripasso goes on as for a child with no answers yet.
        qWarning().noquote() << u"zentovia: " + notebook.problem();
        grid.emplace();
    }
    if (m_tables.isEmpty()) {
        for (int table = 1; table <= 10; ++table) {
            const auto &row = grid->at(table - 1);
            if (std::any_of(row.begin(), row.end(), [](const FactSummary &s) { return s.asked; }))
                m_tables << table;
        }
    }
    if (m_tables.isEmpty())
        m_tables << 5;
    m_plan = std::make_unique<PracticePlan>(
        *grid, m_tables, [](int n) { return int(QRandomGenerator::global()->bounded(n)); });
}

Fact NotebookPractice::next()
{
    if (!m_plan)
        plan();
    return m_plan->next();
}

void NotebookPractice::answered(const Fact &fact, bool right)
{
    if (m_plan)
        m_plan->answered(fact, right);
}

} // namespace Zentovia
