#pragma once

#include <QtGlobal>

namespace Zentovia {

// The handle of one queued request to a character. Callers may keep it to
// follow the request (the character reports each finished request by its id)
// or drop it at once: dropping it changes nothing.
struct Request
{
    quint64 id = 0;
};

} // namespace Zentovia
