#include "core/clock.h"

#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QRandomGenerator>
#include <QTimer>

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

    int draw(int low, int high) override
    {
        return int(QRandomGenerator::global()->bounded(low, high + 1));
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

} // namespace Zentovia
