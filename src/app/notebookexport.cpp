#include "app/notebookexport.h"

#include "classserver/classreader.h"
#include "classserver/serversettings.h"
#include "notebook/csvexport.h"
#include "notebook/notebook.h"

#include <QFile>
#include <QLoggingCategory>

namespace Zentovia {

namespace {

int failed(const QString &problem)
{
    std::fprintf(stderr, "zentovia: %s\n", problem.toLocal8Bit().constData());
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
    QString problem;
    // With a class's server set, the whole class; when it cannot be reached,
    // this computer's notebook, and a line that says so.
    if (!server.problem().isEmpty())
        failed(server.problem());
    if (server.isSet()) {
        ClassReader reader(server.connection());
        if (reader.open()) {
            const bool exported
                = exportCsv([&](const AnswerVisit &visit) { return reader.forEachAnswer(visit); },
                    [&] { return reader.problem(); }, device, &problem);
            return exported ? 0 : failed(problem);
        }
        failed(reader.problem() + QStringLiteral(" Esporto le risposte di questo computer."));
    }
    Notebook notebook;
    return exportCsv(notebook, device, &problem) ? 0 : failed(problem);
}

} // namespace Zentovia
