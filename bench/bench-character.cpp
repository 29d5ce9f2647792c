// bench-character: the wizard's figures beside their goals, in a window of a
// private X server.
//   - loading the character file (goal: at most 20 ms)
//   - a frame drawn from the cache, against one drawn from the SVG
//   - a queued request's first frame on screen: from the call to the end of
//     the paint that shows it (goal: at most 16 ms, one frame at 60 Hz)
//   - idle CPU of the shown character over some seconds (goal: under 1% of a core)
//   - what the frame cache keeps once every animation has been shown
#include "app/wizard.h"
#include "contest/contest.h"
#include "core/datapath.h"
#include "figure/characterfile.h"
#include "measure.h"
#include "privatex.h"
#include "stage/balloon.h"
#include "stage/figurelayer.h"
#include "stage/stageagent.h"
#include "stage/stagecharacter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPainter>
#include <QSet>
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

// Notes when a widget has been painted since the last reset.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(QWidget *widget) { widget->installEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// Milliseconds from a request to the end of the event loop's turn that
// painted its first frame; -1 when nothing was painted within a second.
double firstFrame(
    PaintWatch &watch, const std::function<bool()> &shown, const std::function<void()> &request)
{
    watch.painted = false;
    QElapsedTimer clock;
    clock.start();
    request();
    if (!waitUntil([&] { return watch.painted && shown(); }, 1000))
        return -1;
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    enterPrivateX(argv);
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const QString path = dataPath(wizardCast().key);

    // Loading.
    QList<double> loads;
    for (int i = 0; i < 25; ++i) {
        QElapsedTimer t;
        t.start();
        const auto file = CharacterFile::load(path);
        loads.append(t.nsecsElapsed() / 1e6);
    }
    const double load = median(loads);
    char against[64];
    std::snprintf(against, sizeof against, "first %.2f ms, goal <= 20 ms", loads.first());
    report("load character file (median of 25)", load, "ms", against, load <= 20);

    // Frames.
    QWidget window;
    window.resize(800, 570);
    window.show();
    StageAgent agent;
    agent.setStage(&window);
    agent.Load(QStringLiteral("Merlin"), wizardCast().key);
    StageCharacter &merlin = agent.stageItem(QStringLiteral("Merlin"));
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
        p.drawPixmap(0, 0, merlin.frame(QStringLiteral("magic1-4"), 2, dpr));
    }
    const double warm = t.nsecsElapsed() / 1e6 / draws;
    report("frame from SVG, 205 px high at 2x", cold, "ms", "drawn once per pose", true);
    report("frame from cache", warm, "ms", "goal <= 1 ms", warm <= 1);

    // A request's first frame, from idle, ten of each kind.
    merlin.Show();
    merlin.MoveTo(250, 175);
    wait(2000); // appearance and glide done
    PaintWatch figure(merlin.layer());
    PaintWatch balloon(merlin.balloon());
    const QString greet = merlin.file().animation(QStringLiteral("Greet"))->frames.first().pose;
    QList<double> plays, moves, speeches;
    for (int run = 0; run < 10; ++run) {
        plays << firstFrame(
            figure, [&] { return merlin.pose() == greet; },
            [&] { merlin.Play(QStringLiteral("Greet")); });
        waitUntil([&] { return !merlin.isBusy(); }, 5000);
        const QPoint from = merlin.layer()->pos();
        const QPoint to(run % 2 ? 250 : 330, 175);
        moves << firstFrame(
            figure, [&] { return merlin.layer()->pos() != from; },
            [&] { merlin.MoveTo(to.x(), to.y()); });
        waitUntil([&] { return !merlin.isBusy(); }, 5000);
        speeches << firstFrame(
            balloon, [&] { return merlin.balloon()->isVisible(); },
            [&] { merlin.Speak(QStringLiteral("cinque per sette")); });
        waitUntil([&] { return !merlin.isBusy(); }, 10000);
        wait(StageCharacter::kBalloonCloseMs + 100);
    }
    for (const auto &[what, values] : { std::pair { "first frame of Play (median of 10)", plays },
             std::pair { "first frame of MoveTo (median of 10)", moves },
             std::pair { "first frame of Speak, balloon (median of 10)", speeches } }) {
        const double typical = median(values);
        const double worst = *std::max_element(values.begin(), values.end());
        std::snprintf(against, sizeof against, "worst %.2f ms, goal <= 16 ms", worst);
        report(what, typical, "ms", against, typical >= 0 && worst <= 16);
    }

    // Idle.
    wait(1000);
    const int seconds = 8;
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    wait(seconds * 1000);
    const double share = (cpuSeconds() - cpu0) / (wall.nsecsElapsed() / 1e9) * 100;
    std::snprintf(against, sizeof against, "over %d s on %s, goal < 1 %%", seconds,
        qPrintable(QGuiApplication::platformName()));
    report("idle CPU, character shown", share, "%", against, share < 1);

    // What the frame cache keeps once every frame of every animation has been
    // shown with every mouth, on a high-DPI screen.
    QSet<QString> shown;
    qint64 frameBytes = 0;
    for (const QString &name : merlin.file().animationNames())
        for (const auto &frame : merlin.file().animation(name)->frames)
            for (int mouth = 0; mouth < merlin.file().mouthLevels(); ++mouth) {
                const QPixmap &drawn = merlin.frame(frame.pose, mouth, dpr);
                frameBytes = drawn.width() * qint64(4) * drawn.height();
                shown.insert(frame.pose + u'|' + QString::number(mouth));
            }
    const int frames = int(shown.size());
    const double kept = merlin.cachedFrameBytes() / 1048576.0;
    std::snprintf(against, sizeof against, "%d frames kept of %d shown (%.1f MiB), cap %d",
        merlin.cachedFrames(), frames, frames * frameBytes / 1048576.0, FrameCache::kMaxFrames);
    report("frame cache at 2x, every animation shown", kept, "MiB", against,
        merlin.cachedFrames() <= FrameCache::kMaxFrames);
    out.flush();
    return 0; // measured; a missed goal is marked on its line
}
