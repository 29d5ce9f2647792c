#pragma once

#include "voice/pcmformat.h"
#include "voice/voiceproblem.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace Zentovia {

// One word of a spoken text: where it lies in the text (QString index and
// length) and the sample at which the voice starts saying it.
struct SpokenWord
{
    int position = 0;
    int length = 0;
    qint64 sample = 0;

    friend bool operator==(const SpokenWord &, const SpokenWord &) = default;
};

// A text turned into sound: 16-bit mono samples, the words in the order they
// are said, and how loud each stretch of the sound is, for the mouth.
struct Utterance
{
    // The stretch of sound that one loudness value stands for.
    static constexpr qint64 LoudnessWindowUSecs = 20000;

    QString text;
    QByteArray pcm; // 16-bit signed samples, native byte order, one channel
    int sampleRate = 0;
    QList<SpokenWord> words;
    QList<qreal> loudness; // 0 (silence) to 1 (loud), one per window
    qint64 soundEndSample = -1; // past the last sound, before the silence kept after it
    VoiceProblem problem; // why a text gave no sound (NotSaid)

    qint64 sampleCount() const { return pcm.size() / qint64(sizeof(qint16)); }
    qint64 durationUSecs() const { return usecsAt(sampleCount()); }
    qint64 usecsAt(qint64 sample) const
    {
        return sampleRate > 0 ? sample * 1000000 / sampleRate : 0;
    }
    qint64 sampleAt(qint64 usecs) const { return usecs * sampleRate / 1000000; }
    // When the last sound is over: the end, when it is not known.
    qint64 soundEndUSecs() const
    {
        return soundEndSample >= 0 ? usecsAt(soundEndSample) : durationUSecs();
    }
    PcmFormat format() const { return { sampleRate }; }
    // How open the mouth is at a moment of the sound.
    qreal loudnessAt(qint64 usecs) const;

    // Fills loudness from pcm: the root mean square of each window, scaled so
    // that ordinary speech opens the mouth well and silence closes it.
    void measureLoudness();
};

} // namespace Zentovia
