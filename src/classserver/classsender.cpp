#include "classserver/classsender.h"

#include "classserver/classdatabase.h"
#include "classserver/serversettings.h"
#include "classserver/serversync.h"
#include "notebook/notebook.h"

#include <QElapsedTimer>
#include <QList>

using namespace Qt::StringLiterals;

namespace Zentovia {

// What the jobs keep between rounds, on the sending thread.
struct ClassSender::OnThread
{
    OnThread(const QString &path, const QString &server, const ServerTiming &waits)
        : connection(server)
        , timing(waits)
        , notebook(path)
        , sync(waits.batch, waits.retryMs)
    { }

    const QString connection;
    const ServerTiming timing;
    Notebook notebook;
    ServerSync sync;
    std::unique_ptr<ClassDatabase> database;
    QString databaseId; // of the database last reached
    QElapsedTimer lastUsed;
    QList<ClassProblem> said;
    int retry = 0; // the retry last scheduled: a round cancels those before it
};

std::unique_ptr<ClassSender> ClassSender::start(
    const ServerSettings &settings, const QString &notebookPath, const ServerTiming &timing)
{
    if (!settings.isSet())
        return nullptr;
    return std::make_unique<ClassSender>(notebookPath, settings.connection(), timing);
}

ClassSender::ClassSender(const QString &notebookPath, const QString &connection,
    const ServerTiming &timing, QObject *parent)
    : QObject(parent)
    , m_onThread(std::make_shared<OnThread>(notebookPath, connection, timing))
    , m_thread(u"archivio"_s, this)
{
    answerStored();
}

ClassSender::~ClassSender()
{
    // The server and the notebook are let go on the sending thread.
    m_thread.post([onThread = std::move(m_onThread)]() mutable { onThread.reset(); });
}

void ClassSender::answerStored()
{
    m_thread.post([thread = m_thread.handle(), state = m_onThread, owner = this] {
        round(thread, state, owner);
    });
}

void ClassSender::round(
    const WorkThread::Handle &thread, const std::shared_ptr<OnThread> &onThread, ClassSender *owner)
{
    OnThread &state = *onThread;
    if (thread.stopping())
        return;
    // The next round comes after retryMs, unless another comes first.
    const int retry = ++state.retry;
    thread.later(state.timing.retryMs, [thread, onThread, owner, retry] {
        if (onThread->retry == retry)
            round(thread, onThread, owner);
    });
    if (!state.databaseId.isEmpty()) {
        // Nothing new: the server is not even asked, and an idle connection
        // is let go.
        const std::optional<qint64> mark = state.notebook.sending().sentUpTo(state.databaseId);
        const std::optional<QList<StoredAnswer>> next
            = mark ? state.notebook.sending().answersAfter(*mark, 1) : std::nullopt;
        if (next && next->isEmpty()) {
            if (state.database && state.lastUsed.isValid()
                && state.lastUsed.elapsed() > state.timing.idleMs)
                state.database.reset();
            return;
        }
    }
    ClassProblem why;
    if (state.database && state.database->connection().broken())
        state.database.reset();
    if (!state.database) {
        state.database
            = ClassDatabase::open(state.connection, state.timing.waitMs, thread.stopFd(), &why);
        if (state.database)
            state.databaseId = state.database->databaseId();
    }
    const auto copied = [&](const QString &was, const QString &now) {
        thread.reply([owner, was, now] { Q_EMIT owner->copied(was, now); });
    };
    const std::optional<qint64> sent = !state.database
        ? std::nullopt
        : state.sync.send(
            state.notebook, *state.database, &why,
            [&](qint64 total) { thread.reply([owner, total] { Q_EMIT owner->sent(total); }); },
            copied);
    if (sent) {
        state.lastUsed.start();
        return;
    }
    state.database.reset();
    if (thread.stopping()) // a stop is no problem to tell
        return;
    if (state.said.contains(why))
        return;
    state.said.append(why);
    thread.reply([owner, why] { Q_EMIT owner->problem(why); });
}

} // namespace Zentovia
