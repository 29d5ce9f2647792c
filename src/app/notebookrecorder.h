#pragma once

#include "contest/contest.h"
#include "learning/answer.h"

#include <QObject>

namespace Zentovia {

class NotebookWriter;

// Hands every answer of a contest, and every question skipped, to the
// child's notebook, which writes it on a thread of its own.
class NotebookRecorder : public QObject
{
    Q_OBJECT
public:
    NotebookRecorder(Contest &contest, NotebookWriter &writer, Mode mode);
    // The name the answers go under, in place of the player's.
    void setChild(const QString &child) { m_child = child; }

private:
    void keep(const Question &question, const QString &typed, Outcome outcome, qint64 ms);

    Contest &m_contest;
    NotebookWriter &m_writer;
    const Mode m_mode;
    QString m_child;
};

} // namespace Zentovia
