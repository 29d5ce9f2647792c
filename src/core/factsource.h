#pragma once

namespace Zentovia {

// One fact of the times tables: table × multiplier, each 1..10.
struct Fact
{
    int table = 0;
    int multiplier = 0;
    friend bool operator==(const Fact &, const Fact &) = default;
};

// Where a practice takes its questions from, and hears how each went: the
// contest asks it instead of drawing at random.
class FactSource
{
public:
    virtual ~FactSource() = default;

    // The fact to ask next.
    virtual Fact next() = 0;
    // How the fact last given went: right, or wrong (a skip is wrong).
    virtual void answered(const Fact &fact, bool right) = 0;
};

} // namespace Zentovia
