#include "learning/practice.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace Zentovia {

const QString Practice::Instructions = u"Oggi facciamo un ripasso, senza fretta e senza orologio. "
                                       "Ti chiedo le tabelline che ti servono di più. Scrivi il "
                                       "risultato e premi invio, poi premi ancora invio per la "
                                       "domanda successiva. Puoi finire quando vuoi con Exit."_s;

const QString Practice::AnswerWanted = u"Scrivi il risultato, poi premi Invio."_s;

Practice::Practice(FactSource &source, int questions)
    : m_source(source)
    , m_questions(questions)
{ }

void Practice::answered(const Fact &fact, bool right)
{
    ++m_asked;
    m_source.answered(fact, right);
    if (right) {
        ++m_right;
        return;
    }
    auto miss = std::find_if(
        m_misses.begin(), m_misses.end(), [&](const Miss &m) { return m.fact == fact; });
    if (miss == m_misses.end())
        miss = m_misses.insert(m_misses.end(), Miss { fact });
    ++miss->times;
    miss->last = m_asked;
}

QString Practice::summary() const
{
    if (m_asked == 0)
        return u"Ciao! Il ripasso ti aspetta quando vuoi."_s;
    if (m_misses.isEmpty())
        return m_asked == 1
            ? u"Hai risposto giusto: bravissimo!"_s
            : u"Hai risposto giusto a tutte le %1 domande: bravissimo!"_s.arg(m_asked);
    const auto questions = [](int n) { return n == 1 ? u"1 domanda"_s : u"%1 domande"_s.arg(n); };
    const QString text = m_right == 0
        ? u"Hai provato %1: ogni ripasso ti aiuta."_s.arg(questions(m_asked))
        : u"Hai risposto giusto a %1 su %2."_s.arg(questions(m_right)).arg(m_asked);
    // The facts missed most often, the latest first among equals.
    QList<Miss> misses = m_misses;
    std::stable_sort(misses.begin(), misses.end(), [](const Miss &a, const Miss &b) {
        return a.times != b.times ? a.times > b.times : a.last > b.last;
    });
    QStringList named;
    for (const Miss &miss : misses.mid(0, NamedAtTheEnd))
        named << u"%1 per %2"_s.arg(miss.fact.table).arg(miss.fact.multiplier);
    const QString list = named.size() == 1
        ? named.first()
        : named.mid(0, named.size() - 1).join(u", "_s) + u" e "_s + named.last();
    return text + u" La prossima volta riproviamo "_s + list + u'.';
}

} // namespace Zentovia
