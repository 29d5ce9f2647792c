#include "app/notebookrecorder.h"

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
            keep(question, typed,
                verdict == Contest::Verdict::Right ? Outcome::Right : Outcome::Wrong, ms);
        });
    connect(&contest, &Contest::skipped, this, [this](const Question &question, qint64 ms) {
        keep(question, QString(), Outcome::Skipped, ms);
    });
}

void NotebookRecorder::keep(
    const Question &question, const QString &typed, Outcome outcome, qint64 ms)
{
    Answer answer;
    answer.at = QDateTime::currentDateTime();
    answer.child = m_contest.player();
    answer.table = question.factor.value();
    answer.multiplier = question.multiplier.value();
    answer.typed = typed;
    answer.outcome = outcome;
    answer.tenths = int((ms + 50) / 100);
    answer.mode = m_mode;
    m_writer.add(answer);
}

} // namespace Zentovia
