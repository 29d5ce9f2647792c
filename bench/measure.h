#pragma once

// Small helpers that every benchmark uses.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QList>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace Zentovia::Bench {

// One figure beside its goal, marked MISSED when the goal is not met.
inline void line(const char *what, double value, const char *unit, const char *goal, bool met)
{
    std::printf("%-44s %9.1f %-3s goal %-10s %s\n", what, value, unit, goal, met ? "ok" : "MISSED");
}

inline double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

// Runs the event loop until done() holds; false after timeoutMs.
inline bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(200);
    }
    return true;
}

} // namespace Zentovia::Bench
