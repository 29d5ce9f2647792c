#include "notebook/classserver.h"

#include "notebook/classdatabase.h"
#include "notebook/notebook.h"
#include "notebook/serversettings.h"
#include "notebook/serversync.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QSet>

#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

// How long the destructor waits for the sending thread.
constexpr int ExitMs = 2000;

} // namespace

// What the window's thread and the sending thread share. The sending thread
// keeps it alive: should it be stuck where no stop reaches it (a host name
// being looked up), it is left to end on its own.
struct ClassServer::Shared
{
    QString path;
    QString connection;
    ServerTiming timing;

    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    bool asked = true; // at start
    bool finished = false;
    ClassServer *owner = nullptr; // nullptr once it is gone
    int stopPipe[2] = { -1, -1 }; // readable once stopping: ends libpq's waits
    QSet<QString> said; // on the sending thread only

    // Queued to the owner's thread; dropped when the owner is gone.
    template<typename Call>
    void post(Call call)
    {
        const std::lock_guard lock(mutex);
        if (owner)
            QMetaObject::invokeMethod(owner, [owner = owner, call] { call(owner); });
    }

    void report(const QString &why)
    {
        const QString sentence = u"Non riesco a mandare le risposte all'archivio della classe "
                                 "(«%1»): %2. Restano su questo computer e partiranno appena "
                                 "possibile."_s.arg(connection, why);
        if (said.contains(sentence))
            return;
        said.insert(sentence);
        qWarning().noquote() << u"zentovia: "_s + sentence;
        post([sentence](ClassServer *server) { Q_EMIT server->problem(sentence); });
    }
};

std::unique_ptr<ClassServer> ClassServer::start(
    const QString &notebookPath, QString *problem, const ServerTiming &timing)
{
    const ServerSettings settings = ServerSettings::read();
    *problem = settings.problem();
    if (!problem->isEmpty())
        qWarning().noquote() << u"zentovia: "_s + *problem;
    if (!settings.isSet())
        return nullptr;
    return std::make_unique<ClassServer>(notebookPath, settings.connection(), timing);
}

ClassServer::ClassServer(const QString &notebookPath, const QString &connection,
    const ServerTiming &timing, QObject *parent)
    : QObject(parent)
    , m_shared(std::make_shared<Shared>())
{
    m_shared->path = notebookPath;
    m_shared->connection = connection;
    m_shared->timing = timing;
    m_shared->owner = this;
    if (pipe2(m_shared->stopPipe, O_CLOEXEC) != 0)
        m_shared->stopPipe[0] = m_shared->stopPipe[1] = -1;
    std::thread(&ClassServer::run, m_shared).detach();
}

ClassServer::~ClassServer()
{
    std::unique_lock lock(m_shared->mutex);
    m_shared->owner = nullptr;
    m_shared->stopping = true;
    if (m_shared->stopPipe[1] >= 0 && write(m_shared->stopPipe[1], "x", 1) < 0)
        qWarning("zentovia: pipe");
    m_shared->wake.notify_all();
    m_shared->wake.wait_for(
        lock, std::chrono::milliseconds(ExitMs), [this] { return m_shared->finished; });
}

void ClassServer::answerAdded()
{
    const std::lock_guard lock(m_shared->mutex);
    m_shared->asked = true;
    m_shared->wake.notify_all();
}

void ClassServer::run(std::shared_ptr<Shared> shared)
{
    const ServerTiming timing = shared->timing;
    {
        Notebook notebook(shared->path);
        ServerSync sync(timing.batch);
        std::unique_ptr<ClassDatabase> database;
        QString archive; // of the database last reached
        QElapsedTimer lastUsed;
        std::unique_lock lock(shared->mutex);
        bool first = true;
        while (!shared->stopping) {
            if (!shared->asked) {
                shared->wake.wait_for(lock, std::chrono::milliseconds(timing.retryMs),
                    [&] { return shared->stopping || shared->asked; });
            }
            if (shared->asked && !first) {
                // Several answers in a row go together, once written.
                shared->wake.wait_for(lock, std::chrono::milliseconds(timing.settleMs),
                    [&] { return shared->stopping; });
            }
            if (shared->stopping)
                break;
            first = false;
            shared->asked = false;
            lock.unlock();
            round(*shared, notebook, sync, database, archive, lastUsed);
            lock.lock();
        }
        lock.unlock();
        // The server and the notebook are let go here, on this thread.
    }
    const std::lock_guard lock(shared->mutex);
    shared->finished = true;
    shared->wake.notify_all();
    for (int fd : shared->stopPipe) {
        if (fd >= 0)
            close(fd);
    }
}

void ClassServer::round(Shared &shared, Notebook &notebook, ServerSync &sync,
    std::unique_ptr<ClassDatabase> &database, QString &archive, QElapsedTimer &lastUsed)
{
    const ServerTiming &timing = shared.timing;
    if (!archive.isEmpty()) {
        // Nothing new: the server is not even asked, and an idle connection
        // is let go.
        const std::optional<qint64> mark = notebook.sentUpTo(archive);
        const std::optional<QList<StoredAnswer>> next
            = mark ? notebook.answersAfter(*mark, 1) : std::nullopt;
        if (next && next->isEmpty()) {
            if (database && lastUsed.isValid() && lastUsed.elapsed() > timing.idleMs)
                database.reset();
            return;
        }
    }
    QString why;
    if (database && database->connection().broken())
        database.reset();
    if (!database) {
        database = ClassDatabase::open(shared.connection, timing.waitMs, shared.stopPipe[0], &why);
        if (database)
            archive = database->archive();
    }
    const qint64 sent = !database ? -1 : sync.send(notebook, *database, &why, [&](qint64 total) {
        shared.post([total](ClassServer *server) { Q_EMIT server->sent(total); });
    });
    if (sent >= 0) {
        lastUsed.start();
        return;
    }
    database.reset();
    bool stopping = false;
    {
        const std::lock_guard lock(shared.mutex);
        stopping = shared.stopping;
    }
    if (!stopping) // a stop is no problem to tell
        shared.report(why);
}

} // namespace Zentovia
