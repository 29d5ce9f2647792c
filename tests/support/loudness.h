#pragma once

#include <QByteArray>

#include <cmath>

namespace Zentovia::Testing {

// Seconds of 16-bit mono sound whose 20 ms windows are clearly louder than
// silence.
inline double loudSeconds(const QByteArray &pcm, int sampleRate)
{
    const auto *samples = reinterpret_cast<const qint16 *>(pcm.constData());
    const qint64 count = pcm.size() / 2;
    const qint64 window = sampleRate / 50;
    int loud = 0;
    for (qint64 start = 0; start + window <= count; start += window) {
        double sum = 0;
        for (qint64 i = start; i < start + window; ++i)
            sum += double(samples[i]) * samples[i];
        loud += std::sqrt(sum / double(window)) > 500;
    }
    return loud * 0.02;
}

} // namespace Zentovia::Testing
