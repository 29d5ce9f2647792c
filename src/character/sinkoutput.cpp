#include "character/sinkoutput.h"

#include <QAudioSink>
#include <QMediaDevices>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {
// How far ahead of what is heard the samples are handed to the sound server:
// enough to ride out a busy moment, little enough that stop() is quick.
constexpr qint64 AheadUSecs = 1000000;
constexpr qint64 ChunkUSecs = 250000;
constexpr int PollMs = 10;
// Sound that makes no progress for this long is taken as a lost device.
constexpr int StallMs = 2500;
} // namespace

SinkOutput::SinkOutput(QObject *parent)
    : AudioOutput(parent)
{
    m_poll.setInterval(PollMs);
    m_poll.setTimerType(Qt::PreciseTimer);
    connect(&m_poll, &QTimer::timeout, this, &SinkOutput::poll);
    m_stall.setSingleShot(true);
    m_stall.setInterval(StallMs);
    connect(&m_stall, &QTimer::timeout, this,
        [this] { fail(u"il dispositivo audio non va più avanti"_s); });
}

SinkOutput::~SinkOutput()
{
    stop();
    dropSink();
}

bool SinkOutput::start(const QByteArray &pcm, const PcmFormat &pcmFormat)
{
    QAudioFormat format;
    format.setSampleRate(pcmFormat.sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    stop();
    m_error.clear();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        m_error = u"nessun dispositivo audio disponibile"_s;
        dropSink();
        return false;
    }
    if (!m_sink || device != m_device || format != m_format) {
        dropSink();
        m_sink = std::make_unique<QAudioSink>(device, format);
        m_device = device;
        m_format = format;
        QAudioSink *sink = m_sink.get();
        connect(sink, &QAudioSink::stateChanged, this, [this, sink](QAudio::State state) {
            if (sink == m_sink.get() && m_playing && state == QAudio::StoppedState
                && sink->error() != QAudio::NoError)
                fail(u"il dispositivo audio si è fermato (errore %1)"_s.arg(int(sink->error())));
        });
    }
    m_io = m_sink->start();
    if (!m_io) {
        m_error = u"il dispositivo audio \"%1\" non si apre (errore %2)"_s.arg(device.description())
                      .arg(int(m_sink->error()));
        dropSink();
        return false;
    }
    m_pcm = pcm;
    m_written = 0;
    m_played = 0;
    m_progressMark = -1;
    m_durationUSecs = bytesToUSecs(pcm.size());
    m_playing = true;
    feed();
    m_poll.start();
    m_stall.start();
    return true;
}

qint64 SinkOutput::playedUSecs() const
{
    if (m_playing && m_sink)
        m_played = std::max(m_played, std::min(m_durationUSecs, m_sink->processedUSecs()));
    return m_played;
}

void SinkOutput::stop()
{
    m_poll.stop();
    m_stall.stop();
    if (!m_playing)
        return;
    m_playing = false;
    if (m_sink)
        m_sink->stop();
    m_io = nullptr;
}

qint64 SinkOutput::bytesToUSecs(qint64 bytes) const
{
    const qint64 frameBytes = m_format.bytesPerFrame();
    if (frameBytes <= 0 || m_format.sampleRate() <= 0)
        return 0;
    return bytes / frameBytes * 1000000 / m_format.sampleRate();
}

// The samples go to the server a little ahead of what is heard; the server
// takes more than it asks for when we offer it, so we do not wait for room.
void SinkOutput::feed()
{
    const qint64 chunk = std::max<qint64>(m_format.bytesForDuration(ChunkUSecs), 2);
    while (
        m_io && m_written < m_pcm.size() && bytesToUSecs(m_written) - playedUSecs() < AheadUSecs) {
        const qint64 size = std::min(chunk, m_pcm.size() - m_written);
        const qint64 written = m_io->write(m_pcm.constData() + m_written, size);
        if (written <= 0)
            break;
        m_written += written;
    }
}

void SinkOutput::poll()
{
    if (!m_playing)
        return;
    feed();
    const qint64 played = playedUSecs();
    if (played != m_progressMark) {
        m_progressMark = played;
        m_stall.start();
    }
    if (played >= m_durationUSecs) {
        stop();
        Q_EMIT drained();
    }
}

// A sink is let go later, never inside one of its own signals; its
// destructor also runs the event loop, which must not happen in a say().
void SinkOutput::dropSink()
{
    if (m_sink)
        m_sink.release()->deleteLater();
}

void SinkOutput::fail(const QString &reason)
{
    if (!m_playing)
        return;
    playedUSecs();
    stop();
    dropSink(); // the next start() opens the device anew
    m_error = reason;
    Q_EMIT lost(reason);
}

} // namespace Zentovia
