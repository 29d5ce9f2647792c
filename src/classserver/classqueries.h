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
    explicit ClassQueries(const QString &connection, int waitMs = 5000, QObject *parent = nullptr);
    ~ClassQueries() override;

    const QString &connection() const { return m_connection; }

    // work(ClassReader &) on the reading thread, then done(what it gave) on
    // this object's thread, unless this object is gone by then.
    template<typename Work, typename Done>
    void ask(Work work, Done done)
    {
        m_thread.run(
            [reader = m_reader, work = std::move(work)]() mutable { return work(*reader); },
            std::move(done));
    }

private:
    QString m_connection;
    WorkThread m_thread;
    std::shared_ptr<ClassReader> m_reader; // used by the jobs only
};

} // namespace Zentovia
