#pragma once

#include "contest/randomdraw.h"

#include <random>

namespace Zentovia {

// The program's own random numbers: a uniform generator reseeded from the
// time of day.
class TimeSeededRandom : public RandomDraw
{
public:
    TimeSeededRandom();

    void reseed() override;
    float next() override;

private:
    std::mt19937 m_engine;
};

} // namespace Zentovia
