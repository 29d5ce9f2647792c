#pragma once

#include "classserver/classreader.h"
#include "core/workthread.h"

#include <QObject>
#include <QString>

#include <memory>

namespace Zentovia {

// The class's server read for a window, on a thread of its own: each
// question runs there in turn, through one reader that stays connected, and
// its answer comes back on the window's thread. The window never waits for
// the server; questions still queued when it goes are dropped at once.
class ClassQueries : public QObject
{
    Q_OBJECT

public:
    // notebookPath: this computer's notebook, read beside the server (its
    // answers not sent yet); empty for none.
    explicit ClassQueries(const QString &connection, const QString &notebookPath = QString(),
        int waitMs = 5000, QObject *parent = nullptr);
    ~ClassQueries() override;

    const QString &connection() const { return m_connection; }

    // read(ClassReader &, Notebook *thisComputer) on the reading thread,
    // giving an optional or a bool; then done(what it gave, the reader's
    // ClassProblem when it gave nothing) on this object's thread, unless this
    // object is gone by then. thisComputer is nullptr without a notebook.
    template<typename Read, typename Done>
    void ask(Read read, Done done)
    {
        m_thread.run(
            [state = m_state, read = std::move(read)]() mutable {
                auto found = read(state->reader, state->local());
                return std::pair(found, found ? ClassProblem() : state->reader.problem());
            },
            [done = std::move(done)](
                const auto &result) mutable { done(result.first, result.second); });
    }

private:
    struct OnThread
    {
        OnThread(const QString &connection, int waitMs, int stopFd, const QString &notebookPath);
        Notebook *local();

        ClassReader reader;
        QString notebookPath;
        std::unique_ptr<Notebook> notebook;
    };

    QString m_connection;
    WorkThread m_thread;
    std::shared_ptr<OnThread> m_state; // used by the jobs only
};

} // namespace Zentovia
