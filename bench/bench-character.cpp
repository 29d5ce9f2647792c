// bench-character: the wizard's figures beside their goals.
//   - loading the character file (goal: at most 20 ms)
//   - a frame drawn from the cache, against one drawn from the SVG
//   - idle CPU of the shown character over some seconds (goal: under 1% of a core)
#include "core/datapath.h"
#include "character/characterfile.h"
#include "character/desktopagent.h"
#include "character/desktopcharacter.h"
#include "measure.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPainter>
#include <QTextStream>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>

using namespace Zentovia;

using namespace Zentovia::Bench;

namespace {

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    bool ok = true;
    const QString path = dataPath(DesktopAgent::merlinKey());

    // Loading.
    QList<double> loads;
    for (int i = 0; i < 25; ++i) {
        QElapsedTimer t;
        t.start();
        const auto file = CharacterFile::load(path);
        loads.append(t.nsecsElapsed() / 1e6);
    }
    const double load = median(loads);
    out << QStringLiteral(
        "load character file   %1 ms (median of 25, first %2 ms)   goal <= 20 ms   %3\n")
               .arg(load, 0, 'f', 2)
               .arg(loads.first(), 0, 'f', 2)
               .arg(load <= 20 ? QStringLiteral("ok") : QStringLiteral("OVER"));
    ok = ok && load <= 20;

    // Frames.
    DesktopAgent agent;
    agent.Load(QStringLiteral("Merlin"), DesktopAgent::merlinKey());
    DesktopCharacter &merlin = agent.desktopItem(QStringLiteral("Merlin"));
    merlin.setHeight(205);
    const qreal dpr = 2.0; // a high-DPI screen
    QElapsedTimer t;
    t.start();
    merlin.frame(QStringLiteral("magic1-4"), 2, dpr);
    const double cold = t.nsecsElapsed() / 1e6;
    QImage target(merlin.figureSize() * dpr, QImage::Format_ARGB32_Premultiplied);
    target.setDevicePixelRatio(dpr);
    const int draws = 2000;
    t.restart();
    for (int i = 0; i < draws; ++i) {
        QPainter p(&target);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawPixmap(0, 0, merlin.frame(QStringLiteral("magic1-4"), 2, dpr).pixmap);
    }
    const double warm = t.nsecsElapsed() / 1e6 / draws;
    out << QStringLiteral("frame from SVG        %1 ms (205 px high at 2x, drawn once per pose)\n")
               .arg(cold, 0, 'f', 2);
    out << QStringLiteral(
        "frame from cache      %1 ms   goal <= 1 ms (a frame at 30 a second has 33 ms)   %2\n")
               .arg(warm, 0, 'f', 3)
               .arg(warm <= 1 ? QStringLiteral("ok") : QStringLiteral("OVER"));
    ok = ok && warm <= 1;

    // Idle.
    merlin.Show();
    merlin.MoveTo(250, 175);
    wait(2000); // appearance and glide done
    const int seconds = 8;
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    wait(seconds * 1000);
    const double share = (cpuSeconds() - cpu0) / (wall.nsecsElapsed() / 1e9) * 100;
    out << QStringLiteral(
        "idle CPU              %1 % of a core over %2 s (platform %3)   goal < 1 %   %4\n")
               .arg(share, 0, 'f', 2)
               .arg(seconds)
               .arg(QGuiApplication::platformName())
               .arg(share < 1 ? QStringLiteral("ok") : QStringLiteral("OVER"));
    ok = ok && share < 1;
    return ok ? 0 : 1;
}
