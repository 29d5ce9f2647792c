#pragma once

#include "core/clock.h"
#include "voice/audiooutput.h"

namespace Zentovia {

// Plays nothing but takes exactly as long as the sound would: what a voice
// falls back on when there is no sound device, so the words and the mouth
// keep the same timing. Its time is the given clock's.
class SilentOutput : public AudioOutput
{
    Q_OBJECT
public:
    explicit SilentOutput(Clock &clock, QObject *parent = nullptr);
    ~SilentOutput() override;

    bool start(const QByteArray &pcm, const PcmFormat &format) override;
    qint64 playedUSecs() const override;
    void stop() override;
    VoiceProblem problem() const override { return {}; }

private:
    void onEndDue();

    Clock &m_clock;
    Clock::Ticket m_end = 0;
    qint64 m_startedAt = -1; // the clock's time at start(), -1 when stopped
    qint64 m_endsAt = 0;
    qint64 m_durationUSecs = 0;
};

} // namespace Zentovia
