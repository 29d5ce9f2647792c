#include "core/workthread.h"

#include <QThread>
#include <QTimer>

#include <atomic>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <unistd.h>

namespace Zentovia {

namespace {

std::atomic<void (*)(const WorkProblem &)> g_report = nullptr;

void report(const WorkProblem &problem)
{
    if (auto *said = g_report.load())
        said(problem);
}

} // namespace

void WorkThread::setReport(void (*said)(const WorkProblem &problem))
{
    g_report = said;
}

// What the owner and the jobs share: the last of them to go closes the pipe.
struct WorkThread::Shared
{
    std::mutex mutex;
    QObject *owner = nullptr; // nullptr once it is going
    QObject *onThread = nullptr; // lives on the thread: the target of the jobs
    int stop[2] = { -1, -1 };

    ~Shared()
    {
        for (int fd : stop) {
            if (fd >= 0)
                close(fd);
        }
    }
};

void WorkThread::Handle::reply(std::function<void()> call) const
{
    const std::lock_guard lock(m_shared->mutex);
    if (m_shared->owner)
        QMetaObject::invokeMethod(m_shared->owner, std::move(call), Qt::QueuedConnection);
}

bool WorkThread::Handle::stopping() const
{
    if (m_shared->stop[0] < 0) {
        const std::lock_guard lock(m_shared->mutex);
        return !m_shared->owner;
    }
    pollfd fd { m_shared->stop[0], POLLIN, 0 };
    return poll(&fd, 1, 0) > 0;
}

int WorkThread::Handle::stopFd() const
{
    return m_shared->stop[0];
}

void WorkThread::Handle::later(int ms, std::function<void()> job) const
{
    QTimer::singleShot(ms, m_shared->onThread, [handle = *this, job = std::move(job)] {
        if (!handle.stopping())
            job();
    });
}

WorkThread::WorkThread(const QString &name, QObject *owner, int joinMs)
    : m_thread(new QThread)
    , m_joinMs(joinMs)
{
    m_handle.m_shared = std::make_shared<Shared>();
    Shared &shared = *m_handle.m_shared;
    shared.owner = owner;
    shared.onThread = new QObject;
    m_thread->setObjectName(name);
    shared.onThread->moveToThread(m_thread);
    if (pipe2(shared.stop, O_CLOEXEC | O_NONBLOCK) != 0)
        shared.stop[0] = shared.stop[1] = -1;
}

WorkThread::~WorkThread()
{
    Shared &shared = *m_handle.m_shared;
    {
        const std::lock_guard lock(shared.mutex);
        shared.owner = nullptr;
    }
    if (shared.stop[1] >= 0 && write(shared.stop[1], "x", 1) < 0)
        report({ WorkReason::NoStopPipe, m_thread->objectName() });
    if (!m_thread->isRunning()) {
        delete shared.onThread;
        delete m_thread;
        return;
    }
    // Behind every job queued: the thread's own object goes with it.
    QMetaObject::invokeMethod(shared.onThread, [onThread = shared.onThread] {
        delete onThread;
        QThread::currentThread()->quit();
    });
    if (m_thread->wait(m_joinMs)) {
        delete m_thread;
        return;
    }
    // Left to end as the program does.
    report({ WorkReason::NotJoined, m_thread->objectName() });
}

bool WorkThread::started() const
{
    return m_thread->isRunning();
}

void WorkThread::post(std::function<void()> job)
{
    if (!m_thread->isRunning())
        m_thread->start(QThread::LowPriority);
    QMetaObject::invokeMethod(m_handle.m_shared->onThread, std::move(job), Qt::QueuedConnection);
}

} // namespace Zentovia
