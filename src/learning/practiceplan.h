#pragma once

#include "core/factsource.h"
#include "learning/factstate.h"

#include <QList>

#include <functional>

namespace Zentovia {

// The order of a ripasso, from what the memory model says of each fact of
// the chosen tables:
// - first the facts missed in the child's last session (a contest or a
//   ripasso), whatever the model says of them minutes later;
// - a fact missed in this ripasso comes back after two or three others;
// - otherwise the fact with the lowest predicted recall at the moment it
//   would be answered. A fact never asked counts as recalled as often as
//   this child's first answers to a fact were right: new facts come in
//   when the model holds the known ones better than that;
// - never the same fact twice in a row.
// Each answer of the ripasso moves its fact's memory as a retry of the day.
// A child with no answer in those tables works through them in a random
// order.
class PracticePlan : public FactSource
{
public:
    // A missed fact is asked again this many questions later.
    static constexpr int ComesBackAfter = 3;
    // The time a question takes, for the memory's clock within a ripasso.
    static constexpr int SecondsPerQuestion = 12;

    // The rules beyond the lowest recall, each of which can be left out to
    // measure what it costs.
    struct Rules
    {
        bool missedFirst = true;
        bool missesComeBack = true;
    };

    // draw(n) gives a whole number in [0, n): the order of facts never asked
    // and of ties. now: the ripasso's start, in wall seconds.
    PracticePlan(const FactGrid &grid, const QList<int> &tables, std::function<int(int)> draw,
        qint64 now, Rules rules);
    PracticePlan(
        const FactGrid &grid, const QList<int> &tables, std::function<int(int)> draw, qint64 now)
        : PracticePlan(grid, tables, std::move(draw), now, Rules {})
    { }

    Fact next() override;
    void answered(const Fact &fact, bool right) override;
    // A fact asked before this plan took over, as if it had given it.
    void alreadyAsked(const Fact &fact);

private:
    struct Entry
    {
        Fact fact;
        FactMemory memory;
    };
    struct Retry
    {
        Fact fact;
        int due; // the question's number from which it may come back
    };
    Entry *entryOf(const Fact &fact);
    double recallOf(const Entry &entry, qint64 at) const;
    qint64 moment() const { return m_now + qint64(m_asked) * SecondsPerQuestion; }

    QList<Entry> m_entries; // shuffled: ties go to the first
    QList<Fact> m_opening; // missed in the last session, lowest recall first
    QList<Retry> m_retries;
    Fact m_last;
    int m_asked = 0;
    double m_newRecall = 0.5;
    qint64 m_now;
    Rules m_rules;
};

} // namespace Zentovia
