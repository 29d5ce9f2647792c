#include "classserver/notebookanswers.h"

#include "notebook/notebookwriter.h"

#include <QPointer>

namespace Zentovia {

NotebookAnswers::NotebookAnswers(NotebookWriter &notebook, bool begin)
    : m_notebook(notebook)
    , m_begin(begin)
{ }

template<typename T, typename Read>
void NotebookAnswers::run(QObject *context, Read read, T empty, Reply<T> done)
{
    using Result = std::pair<std::optional<T>, ClassProblem>;
    auto work = [read = std::move(read), empty = std::move(empty)](Notebook *notebook) -> Result {
        if (!notebook)
            return { empty, ClassProblem() };
        std::optional<T> found = read(*notebook);
        return { found, found ? ClassProblem() : ClassProblem::of(notebook->problem()) };
    };
    auto reply = [context = QPointer(context), done = std::move(done)](const Result &result) {
        if (context)
            done(result.first, result.second);
    };
    if (m_begin)
        m_notebook.ask([work = std::move(work)](Notebook &notebook) { return work(&notebook); },
            std::move(reply));
    else
        m_notebook.read(std::move(work), std::move(reply));
}

void NotebookAnswers::children(QObject *context, Reply<QList<Child>> done)
{
    run<QList<Child>>(
        context, [](Notebook &notebook) { return notebook.children(); }, {}, std::move(done));
}

void NotebookAnswers::answers(
    QObject *context, const QString &child, const QString &, Reply<QList<Answer>> done)
{
    run<QList<Answer>>(
        context, [child](Notebook &notebook) { return notebook.answers(child); }, {},
        std::move(done));
}

void NotebookAnswers::grid(QObject *context, const QString &child, Reply<ChildGrid> done)
{
    run<ChildGrid>(
        context,
        [child](Notebook &notebook) -> std::optional<ChildGrid> {
            const std::optional<int> seconds = notebook.settings().factSeconds(child);
            const std::optional<FactGrid> grid = seconds ? notebook.grid(child) : std::nullopt;
            if (!grid)
                return std::nullopt;
            return ChildGrid { *seconds, *grid };
        },
        ChildGrid(), std::move(done));
}

void NotebookAnswers::forEachAnswer(
    QObject *context, std::function<bool(const StoredAnswer &)> visit, Reply<bool> done)
{
    run<bool>(
        context,
        [visit = std::move(visit)](Notebook &notebook) -> std::optional<bool> {
            if (!notebook.forEachAnswer(visit))
                return std::nullopt;
            return true;
        },
        true, std::move(done));
}

} // namespace Zentovia
