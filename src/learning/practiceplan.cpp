#include "learning/practiceplan.h"

#include <algorithm>

namespace Zentovia {

namespace {

const FactSummary &summaryOf(const FactGrid &grid, const Fact &fact)
{
    return grid.at(fact.table - 1).at(fact.multiplier - 1);
}

} // namespace

PracticePlan::PracticePlan(
    const FactGrid &grid, const QList<int> &tables, std::function<int(int)> draw)
    : m_draw(std::move(draw))
{
    QList<Fact> toLearn, almost, unasked;
    for (const int table : tables) {
        for (int multiplier = 1; multiplier <= 10; ++multiplier) {
            const Fact fact { table, multiplier };
            m_all << fact;
            switch (summaryOf(grid, fact).state) {
            case FactState::ToLearn:
                toLearn << fact;
                break;
            case FactState::Almost:
                almost << fact;
                break;
            case FactState::NeverAsked:
                unasked << fact;
                break;
            case FactState::Learned:
                m_learned << fact;
                break;
            }
        }
    }
    const auto latestMistakeFirst = [&](const Fact &a, const Fact &b) {
        return summaryOf(grid, a).lastMistake > summaryOf(grid, b).lastMistake;
    };
    std::stable_sort(toLearn.begin(), toLearn.end(), latestMistakeFirst);
    std::stable_sort(almost.begin(), almost.end(), latestMistakeFirst);
    std::stable_sort(m_learned.begin(), m_learned.end(), [&](const Fact &a, const Fact &b) {
        return summaryOf(grid, a).lastAsked < summaryOf(grid, b).lastAsked;
    });
    shuffle(unasked);
    // With no answer at all in these tables, every fact is new.
    const bool noHistory = unasked.size() == m_all.size();
    m_fresh = toLearn + almost + (noHistory ? unasked : unasked.mid(0, NewFactsAtMost));
    m_planned = m_fresh;
}

void PracticePlan::shuffle(QList<Fact> &facts)
{
    for (qsizetype i = facts.size() - 1; i > 0; --i)
        std::swap(facts[i], facts[m_draw(int(i + 1))]);
}

// The first fact of from that is not the one just asked, taken out of it.
bool PracticePlan::take(QList<Fact> &from, Fact &chosen)
{
    const auto it = std::find_if(
        from.begin(), from.end(), [this](const Fact &fact) { return !(fact == m_last); });
    if (it == from.end())
        return false;
    chosen = *it;
    from.erase(it);
    return true;
}

Fact PracticePlan::next()
{
    const int number = m_asked++;
    Fact chosen;
    // A missed fact, once two or three others have been asked since.
    const auto due = std::find_if(m_retries.begin(), m_retries.end(),
        [&](const Retry &retry) { return retry.due <= number && !(retry.fact == m_last); });
    if (due != m_retries.end()) {
        chosen = due->fact;
        m_retries.erase(due);
    } else if (number % LearnedEvery == LearnedEvery - 1 && take(m_learned, chosen)) {
        m_learned << chosen; // fresh again: the longest unasked come first
    } else if (take(m_fresh, chosen)) {
    } else if (!m_planned.isEmpty() && take(m_fresh = m_planned, chosen)) {
        // Another round of the facts planned.
    } else if (take(m_learned, chosen)) {
        m_learned << chosen;
    } else {
        // Everything planned has been asked: again one of those, so that no
        // more new facts come in.
        QList<Fact> others = m_session.isEmpty() ? m_all : m_session;
        others.removeAll(m_last);
        chosen = others.isEmpty() ? m_last : others.at(m_draw(int(others.size())));
    }
    if (!m_session.contains(chosen))
        m_session << chosen;
    m_last = chosen;
    return chosen;
}

void PracticePlan::alreadyAsked(const Fact &fact)
{
    ++m_asked;
    m_fresh.removeOne(fact);
    if (!m_session.contains(fact))
        m_session << fact;
    m_last = fact;
}

void PracticePlan::answered(const Fact &fact, bool right)
{
    if (!right)
        m_retries << Retry { fact, m_asked - 1 + ComesBackAfter };
}

} // namespace Zentovia
