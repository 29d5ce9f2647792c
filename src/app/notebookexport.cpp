#include "app/notebookexport.h"

#include "classserver/classanswers.h"
#include "classserver/notebookanswers.h"
#include "classserver/serversettings.h"
#include "notebook/csvexport.h"
#include "notebook/notebook.h"
#include "notebook/notebookwriter.h"
#include "telling/telling.h"

#include <QEventLoop>
#include <QFile>
#include <QLoggingCategory>

namespace Zentovia {

namespace {

int failed(const QString &problem)
{
    Telling::toStderr(problem);
    return 1;
}

// What a read gave, waited for: the export has no window to keep alive.
template<typename T>
struct Waited
{
    std::optional<T> found;
    ClassProblem problem;
};

template<typename T, typename Ask>
Waited<T> waitFor(Ask ask)
{
    QEventLoop loop;
    Waited<T> waited;
    ask([&](const std::optional<T> &found, const ClassProblem &problem) {
        waited = { found, problem };
        loop.quit();
    });
    loop.exec();
    return waited;
}

// The class's server, when it answers as the teacher's login: the whole
// class then, with this computer's answers not sent yet among them.
// Otherwise nullptr, and a line that says why.
std::unique_ptr<AnswerSource> classSource(const ServerSettings &server)
{
    struct Reached
    {
        bool teacher = false;
        qint64 waiting = 0; // this computer's answers not sent yet
    };
    auto source = std::make_unique<ClassAnswers>(server.connection(), Notebook::defaultPath());
    const Waited<Reached> reached = waitFor<Reached>([&](auto reply) {
        source->queries().ask(
            [](ClassReader &reader, Notebook *local) -> std::optional<Reached> {
                if (!reader.open())
                    return std::nullopt;
                if (!reader.isTeacher() || !local)
                    return Reached { reader.isTeacher() };
                return Reached { true, reader.waitingCount(*local).value_or(0) };
            },
            reply);
    });
    if (!reached.found) {
        failed(Telling::classRead(server.connection(), reached.problem)
            + QStringLiteral(" Esporto le risposte di questo computer."));
        return nullptr;
    }
    if (!reached.found->teacher) {
        failed(QStringLiteral("La classe intera la esporta l'insegnante, con il suo accesso: "
                              "esporto le risposte di questo computer."));
        return nullptr;
    }
    if (reached.found->waiting > 0)
        failed(QStringLiteral("%1 risposte di questo computer non sono ancora "
                              "nell'archivio della classe: le esporto con le altre.")
                   .arg(reached.found->waiting));
    return source;
}

} // namespace

int exportNotebook(const ServerSettings &server, std::FILE *out)
{
    // The lines below say what went wrong; nothing else on stderr.
    QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
    QFile device;
    if (!device.open(out, QIODevice::WriteOnly))
        return failed(QStringLiteral("Non riesco a scrivere l'esportazione delle risposte: %1.")
                          .arg(device.errorString()));
    // With a class's server set, the whole class; when it cannot be reached,
    // this computer's notebook, and a line that says so.
    if (server.problem())
        failed(Telling::classSetting(server.problem()));
    NotebookWriter notebook(Notebook::defaultPath(), nullptr, false);
    std::unique_ptr<AnswerSource> source;
    if (server.isSet())
        source = classSource(server);
    if (!source)
        source = std::make_unique<NotebookAnswers>(notebook);
    QObject context;
    ClassProblem why;
    ExportProblem problem;
    const bool exported = exportCsv(
        [&](const AnswerVisit &visit) {
            const Waited<bool> read
                = waitFor<bool>([&](auto reply) { source->forEachAnswer(&context, visit, reply); });
            why = read.problem;
            return read.found.has_value();
        },
        device, &problem);
    return exported
        ? 0
        : failed(Telling::exportFailed(problem, Telling::classRead(source->connection(), why)));
}

} // namespace Zentovia
