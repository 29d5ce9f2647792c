#pragma once

#include "contest/contest.h"
#include "notebook/answer.h"

#include <QObject>

namespace Zentovia {

class NotebookWriter;

// Hands every answer of a contest, and every question skipped, to the
// child's notebook, which writes it on a thread of its own.
class NotebookRecorder : public QObject
{
    Q_OBJECT
public:
    // mode: how the notebook names the way of playing ("gara").
    NotebookRecorder(Contest &contest, NotebookWriter &writer, const QString &mode);

private:
    void keep(const Question &question, const QString &typed, Outcome outcome, qint64 ms);

    Contest &m_contest;
    NotebookWriter &m_writer;
    const QString m_mode;
};

} // namespace Zentovia
