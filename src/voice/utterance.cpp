#include "voice/utterance.h"

#include <QtMath>

#include <algorithm>
#include <cmath>

namespace Zentovia {

namespace {
// Below this root mean square a window counts as silence: the mouth is shut.
constexpr double QuietRms = 200.0;
// From this root mean square up the mouth is wide open; espeak's loud vowels
// reach 4000 to 10000, ordinary syllables 1000 to 3000.
constexpr double WideOpenRms = 4000.0;
} // namespace

qreal Utterance::loudnessAt(qint64 usecs) const
{
    if (usecs < 0 || loudness.isEmpty())
        return 0;
    const qint64 window = usecs / LoudnessWindowUSecs;
    return window < loudness.size() ? loudness.at(window) : 0;
}

void Utterance::measureLoudness()
{
    loudness.clear();
    const qint64 perWindow = sampleAt(LoudnessWindowUSecs);
    if (perWindow <= 0)
        return;
    const auto *samples = reinterpret_cast<const qint16 *>(pcm.constData());
    const qint64 count = sampleCount();
    loudness.reserve((count + perWindow - 1) / perWindow);
    for (qint64 start = 0; start < count; start += perWindow) {
        const qint64 end = std::min(count, start + perWindow);
        double sum = 0;
        for (qint64 i = start; i < end; ++i)
            sum += double(samples[i]) * samples[i];
        const double rms = std::sqrt(sum / double(end - start));
        const double open = rms < QuietRms ? 0.0 : std::pow(std::min(1.0, rms / WideOpenRms), 0.7);
        loudness.append(open);
    }
}

} // namespace Zentovia
