#pragma once

#include "voice/utterance.h"

#include <QString>

namespace Zentovia {

struct EspeakApi;

// How the wizard sounds.
struct EspeakSettings
{
    // espeak's Italian voice with the "grandpa" variant: a low, warm man's
    // voice with less tremble than espeak's default, so every syllable
    // stays steady and clear.
    QString voice = QStringLiteral("it+grandpa");
    // espeak speaks 175 words a minute by default; a child of six follows
    // dictation best when it is a fifth slower.
    int wordsPerMinute = 140;
    // 0..100, espeak's default 50: a little lower for an old wizard, with a
    // lively melody so that he sounds kind rather than stern.
    int pitch = 40;
    int pitchRange = 65;

    friend bool operator==(const EspeakSettings &, const EspeakSettings &) = default;
};

// Turns Italian text into sound with libespeak-ng, samples coming back to us
// rather than to espeak's own playback. The library keeps global state: every
// call goes through one lock, and a voice makes all its calls from one thread.
class EspeakSynthesizer
{
public:
    // Loads espeak's data and the voice. Raises a VoiceFailure, with what
    // espeak could not find, when that is impossible.
    explicit EspeakSynthesizer(const EspeakSettings &settings = {});

    int sampleRate() const { return m_sampleRate; }

    // The whole sound of a text, with its words and loudness. A text that
    // cannot be said (only blanks, or an error of the library) gives no
    // samples and no words; an error of the library, its problem too.
    Utterance synthesize(const QString &text) const;

private:
    EspeakSettings m_settings;
    int m_sampleRate = 0;
    const EspeakApi *m_espeak = nullptr;
};

} // namespace Zentovia
