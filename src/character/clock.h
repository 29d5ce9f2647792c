#pragma once

#include <QObject>
#include <QPointer>
#include <QtGlobal>

#include <functional>
#include <limits>
#include <map>

namespace Zentovia {

// The time seam of the character: everything the character and the silent
// voice do later (animation frames, gliding, the pace of the words, idle
// life) goes through a Clock, so that tests can drive them with a FakeClock
// instead of waiting.
class Clock
{
public:
    using Ticket = quint64;

    virtual ~Clock() = default;

    // Milliseconds since some fixed point.
    virtual qint64 now() const = 0;
    // Calls fn once, ms milliseconds from now (0: soon, never before this
    // call returns). Nothing is called once context has been destroyed.
    virtual Ticket callAfter(int ms, QObject *context, std::function<void()> fn) = 0;
    // Forgets a call that has not happened yet; unknown tickets are ignored.
    virtual void cancel(Ticket ticket) = 0;

    // The clock of the real program: Qt timers on the current thread.
    static Clock &system();
};

// A clock that stands still until a test moves it on.
class FakeClock : public Clock
{
public:
    qint64 now() const override { return m_now; }
    Ticket callAfter(int ms, QObject *context, std::function<void()> fn) override;
    void cancel(Ticket ticket) override;

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
