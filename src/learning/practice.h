#pragma once

#include "core/factsource.h"

#include <QList>
#include <QString>

namespace Zentovia {

// A ripasso: a fixed number of questions taken from a FactSource, with no
// clock, and at the end a few kind words on how it went.
class Practice
{
public:
    static constexpr int Questions = 20;
    // The facts to try again that the end names, at most.
    static constexpr int NamedAtTheEnd = 3;
    // What the wizard says to open a ripasso.
    static const QString Instructions;
    // What the wizard says at Invio on an empty answer: a ripasso judges
    // only what the child has written.
    static const QString AnswerWanted;

    explicit Practice(FactSource &source, int questions = Questions);

    Fact next() { return m_source.next(); }
    // A question answered (right or wrong) or skipped (wrong).
    void answered(const Fact &fact, bool right);
    int remaining() const { return m_questions - m_asked; }
    bool isOver() const { return remaining() <= 0; }
    // How it went: how many right of how many, and the facts to try again,
    // said as "7 per 8".
    QString summary() const;

private:
    struct Miss
    {
        Fact fact;
        int times = 0;
        int last = 0; // the question it was last missed at
    };

    FactSource &m_source;
    const int m_questions;
    int m_asked = 0;
    int m_right = 0;
    QList<Miss> m_misses;
};

} // namespace Zentovia
