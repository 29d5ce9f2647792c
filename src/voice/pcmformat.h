#pragma once

#include <QtGlobal>

namespace Zentovia {

// The only sound the voice plays: 16-bit signed samples in native byte
// order, one channel. Only the rate changes, with the synthesizer.
struct PcmFormat
{
    static constexpr int BytesPerSample = 2;

    int sampleRate = 0;

    qint64 usecsFor(qint64 bytes) const
    {
        return sampleRate > 0 ? bytes / BytesPerSample * 1000000 / sampleRate : 0;
    }
    // Whole samples only, rounded down.
    qint64 bytesFor(qint64 usecs) const { return usecs * sampleRate / 1000000 * BytesPerSample; }

    friend bool operator==(const PcmFormat &, const PcmFormat &) = default;
};

} // namespace Zentovia
