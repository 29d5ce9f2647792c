#include "classserver/classanswers.h"

#include <QPointer>

namespace Zentovia {

ClassAnswers::ClassAnswers(const QString &connection, const QString &notebookPath, int waitMs)
    : m_queries(std::make_unique<ClassQueries>(connection, notebookPath, waitMs))
{ }

template<typename T, typename Read>
void ClassAnswers::run(QObject *context, Read read, Reply<T> done)
{
    m_queries->ask(std::move(read),
        [context = QPointer(context), done = std::move(done)](
            const std::optional<T> &found, const ClassProblem &problem) {
            if (context)
                done(found, problem);
        });
}

void ClassAnswers::children(QObject *context, Reply<QList<Child>> done)
{
    run<QList<Child>>(
        context, [](ClassReader &reader, Notebook *local) { return reader.children(local); },
        std::move(done));
}

void ClassAnswers::answers(
    QObject *context, const QString &child, const QString &code, Reply<QList<Answer>> done)
{
    run<QList<Answer>>(
        context,
        [child, code](
            ClassReader &reader, Notebook *local) { return reader.answers(child, local, code); },
        std::move(done));
}

void ClassAnswers::grid(QObject *context, const QString &child, Reply<ChildGrid> done)
{
    run<ChildGrid>(
        context,
        [child](ClassReader &reader, Notebook *local) -> std::optional<ChildGrid> {
            // This computer's time for the child, until the teacher sets one.
            const int here = local
                ? local->settings().factSeconds(child).value_or(DefaultFactSeconds)
                : DefaultFactSeconds;
            const std::optional<int> seconds = reader.factSeconds(child, here);
            const std::optional<FactGrid> grid
                = seconds ? reader.grid(child, *seconds, local) : std::nullopt;
            if (!grid)
                return std::nullopt;
            return ChildGrid { *seconds, *grid };
        },
        std::move(done));
}

void ClassAnswers::forEachAnswer(
    QObject *context, std::function<bool(const StoredAnswer &)> visit, Reply<bool> done)
{
    run<bool>(
        context,
        [visit = std::move(visit)](ClassReader &reader, Notebook *local) -> std::optional<bool> {
            if (!reader.forEachAnswer(visit, local))
                return std::nullopt;
            return true;
        },
        std::move(done));
}

} // namespace Zentovia
