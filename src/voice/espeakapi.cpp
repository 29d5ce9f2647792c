#include "voice/espeakapi.h"

#include "core/dynamiclibrary.h"

namespace Zentovia {

const EspeakApi *EspeakApi::get(QString *error)
{
    static DynamicLibrary library(QStringLiteral("espeak-ng"), 1);
    static const EspeakApi api = [] {
        EspeakApi functions;
        library.resolve(functions.initialize, "espeak_Initialize");
        library.resolve(functions.setSynthCallback, "espeak_SetSynthCallback");
        library.resolve(functions.setVoiceByName, "espeak_SetVoiceByName");
        library.resolve(functions.setParameter, "espeak_SetParameter");
        library.resolve(functions.synth, "espeak_Synth");
        return functions;
    }();
    if (!library.isLoaded()) {
        if (error)
            *error = library.errorString();
        return nullptr;
    }
    return &api;
}

} // namespace Zentovia
