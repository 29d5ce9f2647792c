#pragma once

#include "core/factsource.h"
#include "learning/factstate.h"

#include <QList>

#include <functional>

namespace Zentovia {

// The order of a ripasso, from a child's facts in the chosen tables:
// - first the facts to learn, the most recent mistake first; then those
//   almost learned; then at most three never asked;
// - about one question in four keeps a learned fact fresh, the one left
//   unasked longest first;
// - a fact missed in this ripasso comes back after two or three others,
//   until it is answered right;
// - never the same fact twice in a row;
// - once every fact planned has been asked, another round of them: the
//   questions go to what is still to learn, not to what is known.
// A child with no answer in those tables works through them in a random
// order.
class PracticePlan : public FactSource
{
public:
    static constexpr int NewFactsAtMost = 3;
    // A missed fact is asked again this many questions later.
    static constexpr int ComesBackAfter = 3;
    // One question in this many is a learned fact.
    static constexpr int LearnedEvery = 4;

    // draw(n) gives a whole number in [0, n): the order of facts never asked.
    PracticePlan(const FactGrid &grid, const QList<int> &tables, std::function<int(int)> draw);

    Fact next() override;
    void answered(const Fact &fact, bool right) override;
    // A fact asked before this plan took over, as if it had given it.
    void alreadyAsked(const Fact &fact);

private:
    struct Retry
    {
        Fact fact;
        int due; // the question's number from which it may come back
    };
    bool take(QList<Fact> &from, Fact &chosen);
    void shuffle(QList<Fact> &facts);

    QList<Fact> m_fresh; // to learn, almost, new: in order
    QList<Fact> m_planned; // m_fresh as planned: a round again once all asked
    QList<Fact> m_learned; // the longest unasked first
    QList<Fact> m_all; // every fact of the chosen tables
    QList<Fact> m_session; // every fact asked so far
    QList<Retry> m_retries;
    std::function<int(int)> m_draw;
    Fact m_last;
    int m_asked = 0;
};

} // namespace Zentovia
