#include "voice/pulsestream.h"

#include "voice/pulseapi.h"

using namespace Qt::StringLiterals;

namespace Zentovia {

PulseStream::~PulseStream()
{
    close();
}

bool PulseStream::open(const PcmFormat &format)
{
    close();
    const pa_sample_spec samples { PA_SAMPLE_S16NE, quint32(format.sampleRate), 1 };
    pa_buffer_attr buffer;
    buffer.maxlength = quint32(-1);
    buffer.tlength = quint32(format.bytesFor(BufferUSecs));
    // Playing starts with the first piece, and again after a pause.
    buffer.prebuf = quint32(format.bytesFor(ChunkUSecs));
    buffer.minreq = quint32(-1);
    buffer.fragsize = quint32(-1);
    QString missing;
    m_pulse = PulseApi::get(&missing);
    if (!m_pulse) {
        m_error = { VoiceReason::NoSoundLibrary, QString(), { missing } };
        return false;
    }
    int code = 0;
    m_simple = m_pulse->simpleNew(nullptr, "Zentovia", PA_STREAM_PLAYBACK, nullptr, "Merlino",
        &samples, nullptr, &buffer, &code);
    if (!m_simple) {
        m_error = { VoiceReason::NoSoundServer, QString(),
            { QString::fromUtf8(m_pulse->strerror(code)) } };
        return false;
    }
    m_format = format;
    m_error = {};
    return true;
}

void PulseStream::close()
{
    if (m_simple)
        m_pulse->simpleFree(m_simple);
    m_simple = nullptr;
}

bool PulseStream::fail(int code)
{
    m_error
        = { VoiceReason::SoundBroke, QString(), { QString::fromUtf8(m_pulse->strerror(code)) } };
    close();
    return false;
}

bool PulseStream::write(const char *data, qint64 bytes)
{
    int code = 0;
    return m_pulse->write(m_simple, data, size_t(bytes), &code) == 0 || fail(code);
}

std::optional<qint64> PulseStream::latencyUSecs()
{
    int code = 0;
    const pa_usec_t latency = m_pulse->latency(m_simple, &code);
    if (latency == pa_usec_t(-1)) {
        fail(code);
        return std::nullopt;
    }
    return qint64(latency);
}

bool PulseStream::drain()
{
    int code = 0;
    return m_pulse->drain(m_simple, &code) == 0 || fail(code);
}

bool PulseStream::flush()
{
    int code = 0;
    return m_pulse->flush(m_simple, &code) == 0 || fail(code);
}

} // namespace Zentovia
