#pragma once

// Small helpers that every benchmark uses.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QList>
#include <QThread>

#include <algorithm>
#include <functional>

namespace Zentovia::Bench {

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
