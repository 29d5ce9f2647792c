#pragma once

#include <pulse/error.h>
#include <pulse/simple.h>

#include <QString>

namespace Zentovia {

// The functions of PulseAudio's simple API the voice plays with, from the
// library opened on first use, on the voice's sound thread.
struct PulseApi
{
    decltype(&pa_simple_new) simpleNew = nullptr;
    decltype(&pa_simple_free) simpleFree = nullptr;
    decltype(&pa_simple_write) write = nullptr;
    decltype(&pa_simple_get_latency) latency = nullptr;
    decltype(&pa_simple_drain) drain = nullptr;
    decltype(&pa_simple_flush) flush = nullptr;
    decltype(&pa_strerror) strerror = nullptr;

    // The functions, opened once; null, with the reason in error, when the
    // library or one of them is missing.
    static const PulseApi *get(QString *error);
};

} // namespace Zentovia
