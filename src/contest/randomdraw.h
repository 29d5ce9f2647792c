#pragma once

namespace Zentovia {

// Where the questions' random numbers come from: uniform numbers in [0, 1).
// The window reseeds it before every question.
class RandomDraw
{
public:
    virtual ~RandomDraw() = default;

    virtual void reseed() = 0;
    virtual float next() = 0;
};

} // namespace Zentovia
