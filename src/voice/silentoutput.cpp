#include "voice/silentoutput.h"

#include <algorithm>

namespace Zentovia {

SilentOutput::SilentOutput(Clock &clock, QObject *parent)
    : AudioOutput(parent)
    , m_clock(clock)
{ }

SilentOutput::~SilentOutput()
{
    m_clock.cancel(m_end);
}

bool SilentOutput::start(const QByteArray &pcm, const PcmFormat &format)
{
    stop();
    m_durationUSecs = format.usecsFor(pcm.size());
    m_startedAt = m_clock.now();
    // Rounded up: drained() never comes before the sound's full length.
    m_endsAt = m_startedAt + (m_durationUSecs + 999) / 1000;
    m_end = m_clock.callAfter(int(m_endsAt - m_startedAt), this, [this] { onEndDue(); });
    return true;
}

// A clock may call a long wait's end a little early (the system's lets
// such timers drift by a few percent): what is left is waited for again.
void SilentOutput::onEndDue()
{
    const qint64 left = m_endsAt - m_clock.now();
    if (left > 0) {
        m_end = m_clock.callAfter(int(left), this, [this] { onEndDue(); });
        return;
    }
    m_end = 0;
    Q_EMIT drained();
}

qint64 SilentOutput::playedUSecs() const
{
    if (m_startedAt < 0)
        return 0;
    return std::min(m_durationUSecs, (m_clock.now() - m_startedAt) * 1000);
}

void SilentOutput::stop()
{
    m_clock.cancel(m_end);
    m_end = 0;
    m_startedAt = -1;
}

} // namespace Zentovia
