#include "app/notebookexport.h"

#include "classserver/classreader.h"
#include "classserver/serversettings.h"
#include "notebook/csvexport.h"
#include "notebook/notebook.h"
#include "telling/telling.h"

#include <QFile>
#include <QLoggingCategory>

namespace Zentovia {

namespace {

int failed(const QString &problem)
{
    Telling::toStderr(problem);
    return 1;
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
    ExportProblem problem;
    // With a class's server set, the whole class; when it cannot be reached,
    // this computer's notebook, and a line that says so.
    if (server.problem())
        failed(Telling::classSetting(server.problem()));
    Notebook notebook;
    if (server.isSet()) {
        ClassReader reader(server.connection());
        if (reader.open() && reader.isTeacher()) {
            // With this computer's answers not sent yet, in their place.
            const qint64 waiting = reader.waitingCount(notebook).value_or(0);
            if (waiting > 0)
                failed(QStringLiteral("%1 risposte di questo computer non sono ancora "
                                      "nell'archivio della classe: le esporto con le altre.")
                           .arg(waiting));
            const bool exported = exportCsv(
                [&](const AnswerVisit &visit) { return reader.forEachAnswer(visit, &notebook); },
                device, &problem);
            return exported ? 0
                            : failed(Telling::exportFailed(problem,
                                Telling::classRead(server.connection(), reader.problem())));
        }
        if (!reader.problem())
            failed(QStringLiteral("La classe intera la esporta l'insegnante, con il suo accesso: "
                                  "esporto le risposte di questo computer."));
        else
            failed(Telling::classRead(server.connection(), reader.problem())
                + QStringLiteral(" Esporto le risposte di questo computer."));
    }
    return exportCsv(notebook, device, &problem)
        ? 0
        : failed(Telling::exportFailed(problem, Telling::notebook(notebook.problem())));
}

} // namespace Zentovia
