// The child's notebook with a class's ten years in it (a million answers,
// made by make-notebook beside this program): its size, how soon a child's
// grid is ready, the export of everything, the time of one more answer and
// what handing it to the writer's thread costs the window.
#include "measure.h"

#include "notebook/csvexport.h"
#include "notebook/notebook.h"
#include "notebook/notebookwriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;
using namespace Zentovia;
using namespace Zentovia::Bench;

namespace {

double msSince(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString answers = argc > 1 ? QString::fromLocal8Bit(argv[1]) : u"1000000"_s;
    QTemporaryDir dir;
    const QString path = dir.filePath(u"quaderno.sqlite"_s);
    QProcess make;
    make.setProcessChannelMode(QProcess::ForwardedChannels);
    make.start(QCoreApplication::applicationDirPath() + u"/make-notebook"_s, { path, answers });
    if (!make.waitForFinished(600000) || make.exitCode() != 0) {
        std::printf("make-notebook failed\n");
        return 1;
    }
    bool allMet = true;

    const double mib
        = double(QFileInfo(path).size() + QFileInfo(path + u"-wal"_s).size()) / (1024 * 1024);
    line("file size", mib, "MiB", "<= 64", mib <= 64);
    allMet = allMet && mib <= 64;

    QList<double> gridMs;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer clock;
        clock.start();
        Notebook notebook(path);
        const auto grid = notebook.grid(u"Giulia"_s);
        gridMs.append(msSince(clock));
        if (!grid || grid->at(6).at(7).asked == 0) {
            std::printf("no grid: %s\n", qUtf8Printable(notebook.problem().toDebugString()));
            return 1;
        }
    }
    line(
        "open and one child's grid (first)", gridMs.first(), "ms", "<= 300", gridMs.first() <= 300);
    line("open and one child's grid (median of 5)", median(gridMs), "ms", "<= 300",
        median(gridMs) <= 300);
    allMet = allMet && gridMs.first() <= 300;

    Notebook notebook(path);
    QFile null(u"/dev/null"_s);
    null.open(QIODevice::WriteOnly);
    QElapsedTimer clock;
    clock.start();
    ExportProblem problem;
    if (!exportCsv(notebook, null, &problem)) {
        std::printf("export failed: %s\n", qUtf8Printable(problem.toDebugString()));
        return 1;
    }
    const double exportS = msSince(clock) / 1000;
    line("export all to CSV", exportS, "s", "<= 3", exportS <= 3);
    allMet = allMet && exportS <= 3;

    QList<double> addMs;
    Answer answer;
    answer.at = QDateTime::currentDateTime();
    answer.child = u"Giulia"_s;
    answer.table = 7;
    answer.multiplier = 8;
    answer.typed = u"56"_s;
    answer.outcome = Outcome::Right;
    answer.tenths = 42;
    for (int run = 0; run < 300; ++run) {
        clock.start();
        if (!notebook.add(answer))
            return 1;
        addMs.append(msSince(clock));
    }
    const double worst = *std::max_element(addMs.begin(), addMs.end());
    line("add() one answer (median of 300)", median(addMs), "ms", "-", true);
    line("add() one answer (worst of 300)", worst, "ms", "-", true);

    // What the window pays: handing the answer to the writer's thread.
    QList<double> handMs;
    {
        NotebookWriter writer(path);
        for (int run = 0; run < 300; ++run) {
            clock.start();
            writer.add(answer);
            handMs.append(msSince(clock));
            QThread::msleep(1);
        }
    }
    const double handWorst = *std::max_element(handMs.begin(), handMs.end());
    line("NotebookWriter::add() (worst of 300)", handWorst, "ms", "<= 1", handWorst <= 1);
    allMet = allMet && handWorst <= 1;
    return allMet ? 0 : 1;
}
