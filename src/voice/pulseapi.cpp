#include "voice/pulseapi.h"

#include "core/dynamiclibrary.h"

namespace Zentovia {

const PulseApi *PulseApi::get(QString *error)
{
    static DynamicLibrary simple(QStringLiteral("pulse-simple"), 0);
    static DynamicLibrary pulse(QStringLiteral("pulse"), 0);
    static const PulseApi api = [] {
        PulseApi functions;
        simple.resolve(functions.simpleNew, "pa_simple_new");
        simple.resolve(functions.simpleFree, "pa_simple_free");
        simple.resolve(functions.write, "pa_simple_write");
        simple.resolve(functions.latency, "pa_simple_get_latency");
        simple.resolve(functions.drain, "pa_simple_drain");
        simple.resolve(functions.flush, "pa_simple_flush");
        pulse.resolve(functions.strerror, "pa_strerror");
        return functions;
    }();
    const DynamicLibrary &failed = simple.isLoaded() ? pulse : simple;
    if (!failed.isLoaded()) {
        if (error)
            *error = failed.errorString();
        return nullptr;
    }
    return &api;
}

} // namespace Zentovia
