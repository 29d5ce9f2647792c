#pragma once

#include "core/clock.h"

#include <QList>
#include <QPointer>

#include <functional>
#include <limits>
#include <map>

namespace Zentovia {

// A clock that stands still until a test moves it on.
class FakeClock : public Clock
{
public:
    qint64 now() const override { return m_now; }
    Ticket callAfter(int ms, QObject *context, std::function<void()> fn) override;
    void cancel(Ticket ticket) override;
    // The low end, unless a test has said what the next draws give.
    int draw(int low, int high) override;
    QList<int> draws;

    // Moves time on by ms, making every call that falls due, in time order.
    void advance(qint64 ms);
    // Moves time on, call by call, until done() holds or limitMs have passed.
    // Returns whether done() holds.
    bool advanceUntil(const std::function<bool()> &done, qint64 limitMs);
    // How many calls are waiting, and the delay until the nearest one
    // (-1 when none).
    int pending() const { return int(m_calls.size()); }
    qint64 nextDelay() const;
    // The smallest delay (ms) asked for by callAfter since the last reset.
    int shortestAsked() const { return m_shortest; }
    void resetShortestAsked() { m_shortest = std::numeric_limits<int>::max(); }

private:
    struct Call
    {
        Ticket ticket;
        QPointer<QObject> context;
        bool hadContext;
        std::function<void()> fn;
    };
    qint64 m_now = 0;
    Ticket m_next = 1;
    int m_shortest = std::numeric_limits<int>::max();
    // Keyed by (due time, ticket): the same due time keeps the asking order.
    std::map<std::pair<qint64, Ticket>, Call> m_calls;
};

} // namespace Zentovia
