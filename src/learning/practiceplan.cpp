#include "learning/practiceplan.h"

#include <algorithm>

namespace Zentovia {

PracticePlan::PracticePlan(const FactGrid &grid, const QList<int> &tables,
    std::function<int(int)> draw, qint64 now, Rules rules)
    : m_now(now)
    , m_rules(rules)
{
    for (const int table : tables) {
        for (int multiplier = 1; multiplier <= 10; ++multiplier)
            m_entries.append(
                { { table, multiplier }, grid.at(table - 1).at(multiplier - 1).memory });
    }
    for (qsizetype i = m_entries.size() - 1; i > 0; --i)
        std::swap(m_entries[i], m_entries[draw(int(i + 1))]);
    // A new fact's recall: how often this child's first answer to a fact was
    // right, over every table (one right and one wrong assumed besides).
    int facts = 0;
    int firstRight = 0;
    for (const auto &row : grid) {
        for (const FactSummary &summary : row) {
            facts += summary.asked ? 1 : 0;
            firstRight += summary.asked && summary.firstRight ? 1 : 0;
        }
    }
    m_newRecall = (firstRight + 1.0) / (facts + 2.0);
    if (m_rules.missedFirst) {
        for (const Entry &entry : std::as_const(m_entries)) {
            if (grid.at(entry.fact.table - 1).at(entry.fact.multiplier - 1).missedLastSession)
                m_opening.append(entry.fact);
        }
        std::stable_sort(m_opening.begin(), m_opening.end(), [&](const Fact &a, const Fact &b) {
            return recallOf(*entryOf(a), now) < recallOf(*entryOf(b), now);
        });
    }
}

PracticePlan::Entry *PracticePlan::entryOf(const Fact &fact)
{
    const auto it = std::find_if(
        m_entries.begin(), m_entries.end(), [&](const Entry &e) { return e.fact == fact; });
    return it == m_entries.end() ? nullptr : &*it;
}

double PracticePlan::recallOf(const Entry &entry, qint64 at) const
{
    return entry.memory.asked() ? entry.memory.recallAt(at) : m_newRecall;
}

Fact PracticePlan::next()
{
    const int number = m_asked;
    const qint64 at = moment();
    Fact chosen = m_last;
    const auto opening = std::find_if(
        m_opening.begin(), m_opening.end(), [&](const Fact &f) { return !(f == m_last); });
    // A missed fact, once two or three others have been asked since.
    const auto retry = std::find_if(m_retries.begin(), m_retries.end(),
        [&](const Retry &r) { return r.due <= number && !(r.fact == m_last); });
    if (opening != m_opening.end()) {
        chosen = *opening;
        m_opening.erase(opening);
    } else if (retry != m_retries.end()) {
        chosen = retry->fact;
        m_retries.erase(retry);
    } else {
        const Entry *lowest = nullptr;
        double lowestRecall = 2;
        for (const Entry &entry : std::as_const(m_entries)) {
            const double recall = recallOf(entry, at);
            if (!(entry.fact == m_last) && recall < lowestRecall) {
                lowest = &entry;
                lowestRecall = recall;
            }
        }
        if (lowest)
            chosen = lowest->fact;
    }
    ++m_asked;
    m_last = chosen;
    return chosen;
}

void PracticePlan::answered(const Fact &fact, bool right)
{
    if (Entry *entry = entryOf(fact))
        entry->memory.add(moment(), right ? Grade::Good : Grade::Again);
    if (!right && m_rules.missesComeBack)
        m_retries << Retry { fact, m_asked - 1 + ComesBackAfter };
}

void PracticePlan::alreadyAsked(const Fact &fact)
{
    ++m_asked;
    m_opening.removeAll(fact);
    m_last = fact;
}

} // namespace Zentovia
