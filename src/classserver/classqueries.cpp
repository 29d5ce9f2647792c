#include "classserver/classqueries.h"

#include "notebook/notebook.h"

namespace Zentovia {

ClassQueries::OnThread::OnThread(
    const QString &connection, int waitMs, int stopFd, const QString &path)
    : reader(connection, waitMs, stopFd)
    , notebookPath(path)
{ }

Notebook *ClassQueries::OnThread::local()
{
    if (!notebook && !notebookPath.isEmpty())
        notebook = std::make_unique<Notebook>(notebookPath);
    return notebook.get();
}

ClassQueries::ClassQueries(
    const QString &connection, const QString &notebookPath, int waitMs, QObject *parent)
    : QObject(parent)
    , m_connection(connection)
    , m_thread(QStringLiteral("classe"), this)
    , m_state(std::make_shared<OnThread>(connection, waitMs, m_thread.stopFd(), notebookPath))
{ }

ClassQueries::~ClassQueries()
{
    // The connections are let go on the thread that made them.
    if (m_thread.started())
        m_thread.post([state = std::move(m_state)]() mutable { state.reset(); });
}

} // namespace Zentovia
