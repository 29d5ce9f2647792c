#pragma once

#include "classserver/answersource.h"
#include "classserver/classqueries.h"

#include <memory>

namespace Zentovia {

// The class's server as a source of answers, with this computer's answers
// not sent yet among them: each read runs on the class's reading thread
// (ClassQueries), which the teacher's other questions share.
class ClassAnswers : public AnswerSource
{
public:
    // notebookPath: this computer's notebook, read beside the server; empty
    // for none.
    explicit ClassAnswers(
        const QString &connection, const QString &notebookPath = QString(), int waitMs = 5000);

    // The reading thread, for what only the class has.
    ClassQueries &queries() { return *m_queries; }

    QString connection() const override { return m_queries->connection(); }
    void children(QObject *context, Reply<QList<Child>> done) override;
    void answers(QObject *context, const QString &child, const QString &code,
        Reply<QList<Answer>> done) override;
    void grid(QObject *context, const QString &child, Reply<ChildGrid> done) override;
    void forEachAnswer(QObject *context, std::function<bool(const StoredAnswer &)> visit,
        Reply<bool> done) override;

private:
    // read(ClassReader &, Notebook *) on the reading thread, giving an
    // optional.
    template<typename T, typename Read>
    void run(QObject *context, Read read, Reply<T> done);

    std::unique_ptr<ClassQueries> m_queries;
};

} // namespace Zentovia
