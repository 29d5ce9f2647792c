#pragma once

#include <espeak-ng/speak_lib.h>

#include <QString>

namespace Zentovia {

// The few functions of espeak-ng the synthesizer calls, from the library
// opened on first use (on the voice's own thread, while the window starts).
struct EspeakApi
{
    decltype(&espeak_Initialize) initialize = nullptr;
    decltype(&espeak_SetSynthCallback) setSynthCallback = nullptr;
    decltype(&espeak_SetVoiceByName) setVoiceByName = nullptr;
    decltype(&espeak_SetParameter) setParameter = nullptr;
    decltype(&espeak_Synth) synth = nullptr;

    // The functions, opened once; null, with the reason in error, when the
    // library or one of them is missing.
    static const EspeakApi *get(QString *error);
};

} // namespace Zentovia
