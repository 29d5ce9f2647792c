#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QElapsedTimer;

namespace Zentovia {

class ClassDatabase;
class Notebook;
class ServerSync;

// How ClassServer waits (tests shorten these).
struct ServerTiming
{
    int waitMs = 5000; // to connect, and for each wait of a query
    int retryMs = 30000; // between rounds with nothing asked
    int settleMs = 300; // after answerAdded(), for the writer to commit
    int idleMs = 60000; // a connection unused this long is closed
    int batch = 1000; // answers in one statement
};

// Sends this computer's answers to the class's database on the school's
// server, offline first: every answer is in the computer's notebook first,
// and goes to the server from a thread of its own as soon as it can — at
// start, after each answer, and every 30 seconds (which is also how a server
// that could not be reached is tried again). Nothing on the caller's thread
// waits for the server; a server that hangs is given up after a few seconds,
// and the destructor returns within about 2 seconds whatever the server
// does. Answers not sent wait in the notebook, across restarts, until the
// server takes them; each is sent once (see ServerSync).
//
// The program makes one at start with start(), calls answerAdded() after
// handing each answer to the NotebookWriter, and destroys it at exit.
class ClassServer : public QObject
{
    Q_OBJECT

public:
    // The server of the setting "archivio" (see ServerSettings), sending the
    // notebook at notebookPath. nullptr when no server is set, or when the
    // setting is refused: then *problem says why and the program says it
    // once on stderr too.
    static std::unique_ptr<ClassServer> start(
        const QString &notebookPath, QString *problem, const ServerTiming &timing = ServerTiming());

    ClassServer(const QString &notebookPath, const QString &connection,
        const ServerTiming &timing = ServerTiming(), QObject *parent = nullptr);
    ~ClassServer() override;

    // An answer was handed to the notebook's writer: send it soon.
    void answerAdded();

Q_SIGNALS:
    // Each different problem once, in Italian (also said once on stderr):
    // the answers stay on this computer meanwhile.
    void problem(const QString &sentence);
    // After each batch the server committed: how many this round.
    void sent(qint64 total);

private:
    struct Shared;
    static void run(std::shared_ptr<Shared> shared);
    static void round(Shared &shared, Notebook &notebook, ServerSync &sync,
        std::unique_ptr<ClassDatabase> &database, QString &archive, QElapsedTimer &lastUsed);

    std::shared_ptr<Shared> m_shared;
};

} // namespace Zentovia
