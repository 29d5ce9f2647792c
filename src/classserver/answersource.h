#pragma once

#include "classserver/classproblem.h"
#include "learning/answer.h"
#include "learning/factstate.h"
#include "notebook/notebook.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace Zentovia {

// A child's time for a fact, and every fact of the child with it.
struct ChildGrid
{
    int factSeconds = DefaultFactSeconds;
    FactGrid grid;
};

// Where a child's answers are read from, whichever store holds them: this
// computer's notebook (NotebookAnswers) or the class's server (ClassAnswers),
// as a speech engine has one interface and a plugin for each backend. Every
// read runs on the store's own thread and returns at once; its reply comes
// back on the caller's thread, unless context is gone by then: what it read,
// or nullopt and why (a notebook's problem as ClassReason::Notebook).
class AnswerSource
{
public:
    template<typename T>
    using Reply = std::function<void(const std::optional<T> &, const ClassProblem &)>;

    virtual ~AnswerSource() = default;

    // The class's server's connection string; empty for this computer's
    // notebook. What the words of a problem name (Telling::classRead).
    virtual QString connection() const = 0;
    // The children, the most recently active first.
    virtual void children(QObject *context, Reply<QList<Child>> done) = 0;
    // The child's answers, oldest first; code: the child's picture code,
    // which a pupils' computer reads the class's answers with.
    virtual void answers(
        QObject *context, const QString &child, const QString &code, Reply<QList<Answer>> done)
        = 0;
    // The child's time for a fact as the store has it (the class's: the
    // teacher's, or else this computer's), and the child's grid with it.
    virtual void grid(QObject *context, const QString &child, Reply<ChildGrid> done) = 0;
    // Every answer of every child, oldest first, given to visit on the
    // store's thread (false stops it); then done(true) when all were read.
    virtual void forEachAnswer(
        QObject *context, std::function<bool(const StoredAnswer &)> visit, Reply<bool> done)
        = 0;
};

} // namespace Zentovia
