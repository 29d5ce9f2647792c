#include "app/notebookexport.h"

#include "notebook/csvexport.h"
#include "notebook/notebook.h"

#include <QFile>
#include <QLoggingCategory>

namespace Zentovia {

int exportNotebook(std::FILE *out)
{
    // The one line below says what went wrong; nothing else on stderr.
    QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
    QString problem;
    QFile device;
    Notebook notebook;
    if (!device.open(out, QIODevice::WriteOnly) || !exportCsv(notebook, device, &problem)) {
        if (problem.isEmpty())
            problem = QStringLiteral("Non riesco a scrivere l'esportazione delle risposte.");
        std::fprintf(stderr, "zentovia: %s\n", problem.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}

} // namespace Zentovia
