#pragma once

#include "core/factsource.h"
#include "learning/factstate.h"

#include <QList>

#include <functional>

namespace Zentovia {

// The order of a ripasso, from what the memory model says of each fact of
// the chosen tables:
// - a fact missed in this ripasso comes back after two or three others,
//   until it is answered right;
// - otherwise the due fact (predicted recall now below 0.9) with the lowest
//   predicted recall: what is about to be forgotten, or already is;
// - a new fact, at most three a ripasso, once no due fact is below one half;
// - when nothing is due, the fact asked the fewest times in this ripasso,
//   the lowest recall a week from now first;
// - never the same fact twice in a row.
// Learned facts thus come back when their recall has fallen, not on a fixed
// share of the questions. Each answer of the ripasso moves its fact's memory
// as a retry of the day. A child with no answer in those tables works
// through them in a random order.
class PracticePlan : public FactSource
{
public:
    static constexpr int NewFactsAtMost = 3;
    // A missed fact is asked again this many questions later.
    static constexpr int ComesBackAfter = 3;
    // The time a question takes, for the memory's clock within a ripasso.
    static constexpr int SecondsPerQuestion = 12;

    // draw(n) gives a whole number in [0, n): the order of facts never asked
    // and of ties. now: the ripasso's start, in wall seconds.
    PracticePlan(
        const FactGrid &grid, const QList<int> &tables, std::function<int(int)> draw, qint64 now);

    Fact next() override;
    void answered(const Fact &fact, bool right) override;
    // A fact asked before this plan took over, as if it had given it.
    void alreadyAsked(const Fact &fact);

private:
    struct Entry
    {
        Fact fact;
        FactMemory memory;
        int askedHere = 0;
    };
    struct Retry
    {
        Fact fact;
        int due; // the question's number from which it may come back
    };
    Entry *entryOf(const Fact &fact);
    qint64 moment() const { return m_now + qint64(m_asked) * SecondsPerQuestion; }

    QList<Entry> m_entries; // shuffled: ties go to the first
    QList<Retry> m_retries;
    Fact m_last;
    int m_asked = 0;
    int m_newAsked = 0;
    bool m_noHistory = false;
    qint64 m_now;
};

} // namespace Zentovia
