#include "app/notebookrecorder.h"

#include "core/clock.h"
#include "notebook/notebookwriter.h"

#include <QDateTime>

namespace Zentovia {

NotebookRecorder::NotebookRecorder(Contest &contest, NotebookWriter &writer, Mode mode)
    : m_contest(contest)
    , m_writer(writer)
    , m_mode(mode)
{
    connect(&contest, &Contest::answered, this,
        [this](
            const Question &question, const QString &typed, Contest::Verdict verdict, qint64 ms) {
            // Invio on an empty box answers nothing: kept as a question
            // skipped, not as a mistake.
            const Outcome outcome = verdict == Contest::Verdict::Right ? Outcome::Right
                : typed.isEmpty()                                      ? Outcome::Skipped
                                                                       : Outcome::Wrong;
            keep(question, typed, outcome, ms);
        });
    connect(&contest, &Contest::skipped, this, [this](const Question &question, qint64 ms) {
        keep(question, QString(), Outcome::Skipped, ms);
    });
}

void NotebookRecorder::keep(
    const Question &question, const QString &typed, Outcome outcome, qint64 ms)
{
    Answer answer;
    answer.at = Clock::system().wallNow();
    answer.child = m_child.isEmpty() ? m_contest.player() : m_child;
    answer.table = question.factor.value();
    answer.multiplier = question.multiplier.value();
    answer.typed = typed;
    answer.outcome = outcome;
    answer.tenths = int((ms + 50) / 100);
    answer.mode = m_mode;
    m_writer.add(answer);
}

} // namespace Zentovia
