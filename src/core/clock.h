#pragma once

#include <QDateTime>
#include <QObject>
#include <QtGlobal>

#include <functional>

namespace Zentovia {

// The time seam: everything the character and the silent voice do later
// (animation frames, gliding, the pace of the words, idle life) goes through
// a Clock, so that tests can drive them with a FakeClock instead of waiting;
// and every read of the wall clock (an answer's moment, the day a grid is
// of) is Clock::system().wallNow(), from any thread.
class Clock
{
public:
    using Ticket = quint64;

    virtual ~Clock() = default;

    // Milliseconds since some fixed point.
    virtual qint64 now() const = 0;
    // The day and time here, as the computer's clock says them.
    virtual QDateTime wallNow() const { return QDateTime::currentDateTime(); }
    // Calls fn once, ms milliseconds from now (0: soon, never before this
    // call returns). Nothing is called once context has been destroyed.
    virtual Ticket callAfter(int ms, QObject *context, std::function<void()> fn) = 0;
    // Forgets a call that has not happened yet; unknown tickets are ignored.
    virtual void cancel(Ticket ticket) = 0;

    // A whole number drawn at random from [low, high]: the moments and moves
    // of the character's idle life, which tests want to foresee.
    virtual int draw(int low, int high) = 0;

    // The clock of the real program: Qt timers on the current thread.
    static Clock &system();
};

} // namespace Zentovia
