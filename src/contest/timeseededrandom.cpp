#include "contest/timeseededrandom.h"

#include <QTime>

namespace Zentovia {

TimeSeededRandom::TimeSeededRandom()
{
    reseed();
}

void TimeSeededRandom::reseed()
{
    // Milliseconds since midnight, mixed so that seeds a few milliseconds
    // apart still give unrelated sequences.
    const auto msecs = static_cast<unsigned>(QTime::currentTime().msecsSinceStartOfDay());
    std::seed_seq seed { msecs, msecs ^ 0x9e3779b9u };
    m_engine.seed(seed);
}

float TimeSeededRandom::next()
{
    // generate_canonical may round up to 1.0 in single precision; keep [0, 1).
    float r = std::generate_canonical<float, 24>(m_engine);
    return r < 1.0f ? r : 0.0f;
}

} // namespace Zentovia
