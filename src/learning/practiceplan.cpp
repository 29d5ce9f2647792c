#include "learning/practiceplan.h"

#include <algorithm>

namespace Zentovia {

namespace {

constexpr double DueBelow = LearnedRecall;
constexpr double NewOnceNoneBelow = 0.5;

} // namespace

PracticePlan::PracticePlan(
    const FactGrid &grid, const QList<int> &tables, std::function<int(int)> draw, qint64 now)
    : m_now(now)
{
    for (const int table : tables) {
        for (int multiplier = 1; multiplier <= 10; ++multiplier)
            m_entries.append(
                { { table, multiplier }, grid.at(table - 1).at(multiplier - 1).memory });
    }
    for (qsizetype i = m_entries.size() - 1; i > 0; --i)
        std::swap(m_entries[i], m_entries[draw(int(i + 1))]);
    m_noHistory = std::none_of(
        m_entries.begin(), m_entries.end(), [](const Entry &e) { return e.memory.asked(); });
}

PracticePlan::Entry *PracticePlan::entryOf(const Fact &fact)
{
    const auto it = std::find_if(
        m_entries.begin(), m_entries.end(), [&](const Entry &e) { return e.fact == fact; });
    return it == m_entries.end() ? nullptr : &*it;
}

Fact PracticePlan::next()
{
    const int number = m_asked;
    const qint64 at = moment();
    Fact chosen = m_last;
    // A missed fact, once two or three others have been asked since.
    const auto retry = std::find_if(m_retries.begin(), m_retries.end(),
        [&](const Retry &r) { return r.due <= number && !(r.fact == m_last); });
    if (retry != m_retries.end()) {
        chosen = retry->fact;
        m_retries.erase(retry);
    } else {
        const Entry *due = nullptr;
        const Entry *fresh = nullptr;
        const Entry *weakest = nullptr; // by its recall a week on
        for (const Entry &entry : std::as_const(m_entries)) {
            if (entry.fact == m_last)
                continue;
            if (!entry.memory.asked()) {
                if (!fresh && (m_noHistory || m_newAsked < NewFactsAtMost))
                    fresh = &entry;
                continue;
            }
            const double recall = entry.memory.recallAt(at);
            if (recall < DueBelow && (!due || recall < due->memory.recallAt(at)))
                due = &entry;
            // Spread over the facts: the fewest times asked in this ripasso,
            // then the lowest recall a week on.
            if (!weakest || entry.askedHere < weakest->askedHere
                || (entry.askedHere == weakest->askedHere
                    && entry.memory.recallAt(at + WeekSeconds)
                        < weakest->memory.recallAt(at + WeekSeconds)))
                weakest = &entry;
        }
        const bool dueIsLow = due && due->memory.recallAt(at) < NewOnceNoneBelow;
        const Entry *pick = dueIsLow ? due : fresh ? fresh : due ? due : weakest;
        if (pick)
            chosen = pick->fact;
        if (pick && pick == fresh)
            ++m_newAsked;
    }
    ++m_asked;
    m_last = chosen;
    return chosen;
}

void PracticePlan::answered(const Fact &fact, bool right)
{
    if (Entry *entry = entryOf(fact)) {
        entry->memory.add(moment(), right ? Grade::Good : Grade::Again);
        ++entry->askedHere;
    }
    if (!right)
        m_retries << Retry { fact, m_asked - 1 + ComesBackAfter };
}

void PracticePlan::alreadyAsked(const Fact &fact)
{
    ++m_asked;
    if (const Entry *entry = entryOf(fact); entry && !entry->memory.asked())
        ++m_newAsked;
    m_last = fact;
}

} // namespace Zentovia
