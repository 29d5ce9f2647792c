#pragma once

#include "core/problem.h"

#include <exception>

namespace Zentovia {

// What went wrong with the wizard's voice; said in Italian by the telling
// library.
enum class VoiceReason {
    None,
    NoSoundLibrary, // detail: what the loader said
    NoSoundServer, // detail: PulseAudio's words
    SoundBroke, // detail: PulseAudio's words
    SoundNotAnswering, // the server keeps the sound's thread in a call
    SoundStalled, // the sound stopped going forward
    NoEspeakLibrary, // detail: what the loader said
    NoEspeakData,
    NoEspeakVoice, // subject: the voice's name
    NotSaid, // subject: the text; code: espeak-ng's error
};
using VoiceProblem = Problem<VoiceReason>;

// espeak-ng or its voice cannot be loaded: the voice speaks without sound.
struct VoiceFailure : std::exception
{
    explicit VoiceFailure(VoiceProblem why)
        : problem(std::move(why))
    { }
    const char *what() const noexcept override { return "voice"; }

    VoiceProblem problem;
};

} // namespace Zentovia
