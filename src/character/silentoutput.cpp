#include "character/silentoutput.h"

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
    m_end = m_clock.callAfter(int((m_durationUSecs + 999) / 1000), this, [this] {
        m_end = 0;
        Q_EMIT drained();
    });
    return true;
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
