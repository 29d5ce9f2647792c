#pragma once

#include "character/audiooutput.h"

#include <QElapsedTimer>
#include <QTimer>

namespace Zentovia {

// Plays nothing but takes exactly as long as the sound would: what a voice
// falls back on when there is no sound device, so the words and the mouth
// keep the same timing.
class SilentOutput : public AudioOutput
{
    Q_OBJECT
public:
    explicit SilentOutput(QObject *parent = nullptr);

    bool start(const QByteArray &pcm, const PcmFormat &format) override;
    qint64 playedUSecs() const override;
    void stop() override;
    QString errorString() const override { return {}; }

private:
    QElapsedTimer m_clock;
    QTimer m_end;
    qint64 m_durationUSecs = 0;
};

} // namespace Zentovia
