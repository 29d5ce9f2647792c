#include "character/clock.h"

#include <QElapsedTimer>
#include <QHash>
#include <QTimer>

#include <limits>

namespace Zentovia {

namespace {

class SystemClock : public Clock
{
public:
    SystemClock() { m_started.start(); }

    qint64 now() const override { return m_started.elapsed(); }

    Ticket callAfter(int ms, QObject *context, std::function<void()> fn) override
    {
        const Ticket ticket = m_next++;
        auto *timer = new QTimer(context);
        timer->setSingleShot(true);
        // Frame timers must keep their pace; the long pauses of idle life
        // may be coalesced by the system with other wake-ups.
        timer->setTimerType(ms < 1000 ? Qt::PreciseTimer : Qt::CoarseTimer);
        QObject::connect(timer, &QTimer::timeout, timer, [this, ticket, timer, fn = std::move(fn)] {
            m_timers.remove(ticket);
            timer->deleteLater();
            fn();
        });
        m_timers.insert(ticket, timer);
        timer->start(qMax(0, ms));
        return ticket;
    }

    void cancel(Ticket ticket) override
    {
        const QPointer<QTimer> timer = m_timers.take(ticket);
        if (timer) {
            timer->stop();
            timer->deleteLater();
        }
    }

private:
    QElapsedTimer m_started;
    Ticket m_next = 1;
    QHash<Ticket, QPointer<QTimer>> m_timers;
};

} // namespace

Clock &Clock::system()
{
    static SystemClock clock;
    return clock;
}

Clock::Ticket FakeClock::callAfter(int ms, QObject *context, std::function<void()> fn)
{
    const Ticket ticket = m_next++;
    ms = qMax(0, ms);
    m_shortest = qMin(m_shortest, ms);
    m_calls.emplace(std::make_pair(m_now + ms, ticket),
                    Call{ticket, context, context != nullptr, std::move(fn)});
    return ticket;
}

void FakeClock::cancel(Ticket ticket)
{
    for (auto it = m_calls.begin(); it != m_calls.end(); ++it) {
        if (it->second.ticket == ticket) {
            m_calls.erase(it);
            return;
        }
    }
}

void FakeClock::advance(qint64 ms)
{
    const qint64 target = m_now + qMax<qint64>(0, ms);
    while (!m_calls.empty() && m_calls.begin()->first.first <= target) {
        auto node = m_calls.extract(m_calls.begin());
        m_now = qMax(m_now, node.key().first);
        Call &call = node.mapped();
        if (call.hadContext && !call.context)
            continue;
        call.fn();
    }
    m_now = target;
}

bool FakeClock::advanceUntil(const std::function<bool()> &done, qint64 limitMs)
{
    const qint64 end = m_now + limitMs;
    while (!done()) {
        if (m_calls.empty() || m_calls.begin()->first.first > end) {
            m_now = end;
            return done();
        }
        advance(m_calls.begin()->first.first - m_now);
    }
    return true;
}

qint64 FakeClock::nextDelay() const
{
    return m_calls.empty() ? -1 : m_calls.begin()->first.first - m_now;
}

} // namespace Zentovia
