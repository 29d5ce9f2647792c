#pragma once

#include "core/problem.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QThread;

namespace Zentovia {

// What went wrong with a WorkThread (said in Italian by the telling library).
enum class WorkReason {
    None,
    NoStopPipe, // a wait on a server cannot be cut short
    NotJoined, // subject: the thread's name; left to end as the program does
};
using WorkProblem = Problem<WorkReason>;

// A thread of its own for work that blocks: a file being written, a server
// being waited for. Its owner starts it, hands it jobs that run there one
// after another in the order given, and joins it when destroyed. Every
// worker of the program is one of these but the voice's two, espeak-ng's and
// the sound's (see src/voice/).
//
// A job's answer comes back to the owner's thread as a queued call, and is
// dropped once the owner is gone. On destruction the stop descriptor becomes
// readable, so that a job waiting on a server ends at once; the jobs still
// queued run (a store's writes are not lost), then the thread ends. A thread
// that does not end within the limit given (stuck where no stop reaches, such
// as a host name being looked up) is left to end on its own as the program
// exits. So a job never captures its owner: it captures the Handle, and holds
// what it needs across jobs by a shared pointer.
class WorkThread
{
    struct Shared;

public:
    // What a job captures to reach its thread and its owner.
    class Handle
    {
    public:
        // call() on the owner's thread, unless the owner is gone by then.
        void reply(std::function<void()> call) const;
        // Whether the owner is going.
        bool stopping() const;
        // Readable once the owner is going; -1 when no pipe could be made.
        int stopFd() const;
        // job() on the thread after ms, unless the owner is gone by then.
        // Called from a job.
        void later(int ms, std::function<void()> job) const;

    private:
        friend class WorkThread;
        std::shared_ptr<Shared> m_shared;
    };

    // Where a WorkThread's problems go, for every one of the program (they
    // happen as an owner goes, with no one else to tell): the program sets
    // it once; none by default.
    static void setReport(void (*report)(const WorkProblem &problem));

    // name: the thread's, as debuggers show it. owner receives the replies.
    WorkThread(const QString &name, QObject *owner, int joinMs = 2000);
    ~WorkThread();
    WorkThread(const WorkThread &) = delete;
    WorkThread &operator=(const WorkThread &) = delete;

    const Handle &handle() const { return m_handle; }
    int stopFd() const { return m_handle.stopFd(); }
    // Whether a job was ever posted.
    bool started() const;

    // job() on the thread. The thread starts with the first job.
    void post(std::function<void()> job);
    // work() on the thread, then done(its result) on the owner's thread.
    template<typename Work, typename Done>
    void run(Work work, Done done)
    {
        post([handle = m_handle, work = std::move(work), done = std::move(done)]() mutable {
            auto result = work();
            handle.reply([done = std::move(done), result = std::move(result)]() mutable {
                done(std::move(result));
            });
        });
    }

private:
    Handle m_handle;
    QThread *m_thread;
    int m_joinMs;
};

} // namespace Zentovia
