#pragma once

#include "classserver/answersource.h"

namespace Zentovia {

class NotebookWriter;

// This computer's notebook as a source of answers: each read is a job of the
// notebook's owner, on its thread.
class NotebookAnswers : public AnswerSource
{
public:
    // notebook: the program's one owner of the notebook, which outlives this
    // object. begin: a notebook not begun yet is begun by a read; otherwise
    // it reads as a notebook with no answers, and stays not begun.
    explicit NotebookAnswers(NotebookWriter &notebook, bool begin = true);

    QString connection() const override { return QString(); }
    void children(QObject *context, Reply<QList<Child>> done) override;
    void answers(QObject *context, const QString &child, const QString &code,
        Reply<QList<Answer>> done) override;
    void grid(QObject *context, const QString &child, Reply<ChildGrid> done) override;
    void forEachAnswer(QObject *context, std::function<bool(const StoredAnswer &)> visit,
        Reply<bool> done) override;

private:
    // read(Notebook &) on the notebook's thread, giving an optional; empty:
    // what a notebook not begun holds.
    template<typename T, typename Read>
    void run(QObject *context, Read read, T empty, Reply<T> done);

    NotebookWriter &m_notebook;
    bool m_begin;
};

} // namespace Zentovia
