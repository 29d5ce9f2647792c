#pragma once

#include "classserver/classproblem.h"
#include "core/workthread.h"

#include <QObject>
#include <QString>

#include <memory>

namespace Zentovia {

class ServerSettings;

// How ClassSender waits (tests shorten these).
struct ServerTiming
{
    int waitMs = 5000; // to connect, and for each wait of a query
    int retryMs = 30000; // between rounds with nothing asked, and between
                         // two readings of the teacher's decisions
    int idleMs = 60000; // a connection unused this long is closed
    int batch = 1000; // answers in one statement
};

// Sends this computer's answers to the class's database on the school's
// server, offline first: every answer is in the computer's notebook first,
// and goes to the server from a thread of its own as soon as it can: at
// start, after each answer the notebook's writer has stored, and every 30
// seconds (which is also how a server that could not be reached is tried
// again). Nothing on the caller's thread waits for the server; a server that
// hangs is given up after a few seconds, and the destructor returns within
// about 2 seconds whatever the server does. Answers not sent wait in the
// notebook, across restarts, until the server takes them; each is sent once
// (see ServerSync).
class ClassSender : public QObject
{
    Q_OBJECT

public:
    // The server of the setting, sending the notebook at notebookPath;
    // nullptr when no server is set or the setting is refused.
    static std::unique_ptr<ClassSender> start(const ServerSettings &settings,
        const QString &notebookPath, const ServerTiming &timing = ServerTiming());

    // Starts at once.
    ClassSender(const QString &notebookPath, const QString &connection,
        const ServerTiming &timing = ServerTiming(), QObject *parent = nullptr);
    ~ClassSender() override;

    // An answer is in the notebook (NotebookWriter::stored): send it soon.
    void answerStored();

Q_SIGNALS:
    // Each different problem once: the answers stay on this computer
    // meanwhile.
    void problem(const ClassProblem &problem);
    // After each batch the server committed: how many this round.
    void sent(qint64 total);
    // This notebook turned out to be a copy of another computer's, and took
    // an id of its own: now for was.
    void copied(const QString &was, const QString &now);

private:
    struct OnThread;
    // On the sending thread: never through this object, which may be gone.
    static void round(const WorkThread::Handle &thread, const std::shared_ptr<OnThread> &state,
        ClassSender *owner);

    std::shared_ptr<OnThread> m_onThread; // used by the jobs only
    WorkThread m_thread;
};

} // namespace Zentovia
