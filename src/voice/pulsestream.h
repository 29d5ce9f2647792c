#pragma once

#include "voice/pcmformat.h"

#include "voice/voiceproblem.h"

#include <QString>

#include <optional>

struct pa_simple;

namespace Zentovia {
struct PulseApi;
}

namespace Zentovia {

// One playback stream on the sound server, through PulseAudio's simple API
// (PipeWire desktops serve it through pipewire-pulse). Every call waits for
// the server, so a stream is only used on a thread of its own. A call that
// fails closes the stream and leaves the reason in error().
class PulseStream
{
public:
    // How far ahead of what is heard samples are handed to the server, and
    // in what pieces: little, so that the first sample is soon heard; the
    // writer keeps the server's buffer topped up.
    static constexpr qint64 BufferUSecs = 60000;
    static constexpr qint64 ChunkUSecs = 10000;

    PulseStream() = default;
    ~PulseStream();
    PulseStream(const PulseStream &) = delete;
    PulseStream &operator=(const PulseStream &) = delete;

    // Connects to the default server and opens a stream on its default output.
    bool open(const PcmFormat &format);
    void close();
    // Forgets the stream without a word to the server: for a program that
    // ends while the server does not answer.
    void abandon() { m_simple = nullptr; }
    bool isOpen() const { return m_simple != nullptr; }
    const PcmFormat &format() const { return m_format; }

    // Returns once the server has taken the samples.
    bool write(const char *data, qint64 bytes);
    // How long the samples written so far still take to be heard.
    std::optional<qint64> latencyUSecs();
    // Returns once everything written has been played.
    bool drain();
    // Drops what has been written and not yet played.
    bool flush();

    const VoiceProblem &error() const { return m_error; }

private:
    bool fail(int code);

    const PulseApi *m_pulse = nullptr;
    pa_simple *m_simple = nullptr;
    PcmFormat m_format;
    VoiceProblem m_error;
};

} // namespace Zentovia
