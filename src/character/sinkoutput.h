#pragma once

#include "character/audiooutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QTimer>

#include <memory>

class QAudioSink;
class QIODevice;

namespace Zentovia {

// The sound card, through Qt Multimedia (PulseAudio or PipeWire). Each start()
// looks for the default output again, so a device that was missing or lost
// is tried anew.
class SinkOutput : public AudioOutput
{
    Q_OBJECT
public:
    explicit SinkOutput(QObject *parent = nullptr);
    ~SinkOutput() override;

    bool start(const QByteArray &pcm, const PcmFormat &pcmFormat) override;
    qint64 playedUSecs() const override;
    void stop() override;
    QString errorString() const override { return m_error; }

private:
    void feed();
    void poll();
    void fail(const QString &reason);
    void dropSink();
    qint64 bytesToUSecs(qint64 bytes) const;

    std::unique_ptr<QAudioSink> m_sink;
    QAudioDevice m_device;
    QAudioFormat m_format;
    QIODevice *m_io = nullptr; // owned by m_sink
    QByteArray m_pcm;
    qint64 m_written = 0;
    qint64 m_durationUSecs = 0;
    mutable qint64 m_played = 0;
    qint64 m_progressMark = -1;
    QTimer m_poll;
    QTimer m_stall;
    QString m_error;
    bool m_playing = false;
};

} // namespace Zentovia
