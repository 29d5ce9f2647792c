#include "support/fakeclock.h"

namespace Zentovia {

Clock::Ticket FakeClock::callAfter(int ms, QObject *context, std::function<void()> fn)
{
    const Ticket ticket = m_next++;
    ms = qMax(0, ms);
    m_shortest = qMin(m_shortest, ms);
    m_calls.emplace(std::make_pair(m_now + ms, ticket),
        Call { ticket, context, context != nullptr, std::move(fn) });
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

int FakeClock::draw(int low, int high)
{
    return draws.isEmpty() ? low : qBound(low, draws.takeFirst(), high);
}

} // namespace Zentovia
