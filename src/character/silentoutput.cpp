#include "character/silentoutput.h"

#include <algorithm>

namespace Zentovia {

SilentOutput::SilentOutput(QObject *parent)
    : AudioOutput(parent)
{
    m_end.setSingleShot(true);
    m_end.setTimerType(Qt::PreciseTimer);
    connect(&m_end, &QTimer::timeout, this, &SilentOutput::drained);
}

bool SilentOutput::start(const QByteArray &pcm, const PcmFormat &format)
{
    m_durationUSecs = format.usecsFor(pcm.size());
    m_clock.start();
    // Rounded up: drained() never comes before the sound's full length.
    m_end.start(int((m_durationUSecs + 999) / 1000));
    return true;
}

qint64 SilentOutput::playedUSecs() const
{
    if (!m_clock.isValid())
        return 0;
    return std::min(m_durationUSecs, m_clock.nsecsElapsed() / 1000);
}

void SilentOutput::stop()
{
    m_end.stop();
    m_clock.invalidate();
}

} // namespace Zentovia
