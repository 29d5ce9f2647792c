#pragma once

#include <QObject>

namespace Zentovia::Testing {

// Counts the voice's problems (it speaks without sound), of every voice
// watched since the last reset.
class TroubleCount
{
public:
    template<typename Voice>
    static void watch(Voice &voice)
    {
        QObject::connect(&voice, &Voice::problem, &voice, [] { ++s_count; });
    }
    static void reset() { s_count = 0; }
    static int count() { return s_count; }

private:
    static inline int s_count = 0;
};

} // namespace Zentovia::Testing
