#include "notebook/notebookwriter.h"

#include "notebook/notebook.h"

#include <QDebug>

namespace Zentovia {

NotebookWriter::NotebookWriter(const QString &path, QObject *parent)
    : QObject(parent)
    , m_path(path)
{
    m_thread.setObjectName(QStringLiteral("quaderno"));
    m_onThread.moveToThread(&m_thread);
}

NotebookWriter::~NotebookWriter()
{
    if (!m_thread.isRunning())
        return;
    // Queued behind every answer handed over: they are written, then the
    // notebook is closed on the thread that opened it.
    QMetaObject::invokeMethod(&m_onThread, [this] {
        m_notebook.reset();
        m_thread.quit();
    });
    m_thread.wait();
}

void NotebookWriter::add(const Answer &answer)
{
    if (!m_thread.isRunning())
        m_thread.start(QThread::LowPriority);
    QMetaObject::invokeMethod(&m_onThread, [this, answer] { store(answer); });
}

void NotebookWriter::store(const Answer &answer)
{
    if (!m_notebook)
        m_notebook = std::make_unique<Notebook>(m_path);
    if (m_notebook->add(answer) || m_reported)
        return;
    m_reported = true;
    // Said once: the answers that follow may fail the same way.
    qWarning().noquote() << u"zentovia: " + m_notebook->problem();
    // Emitted on the window's thread; dropped if the writer is gone by then.
    QMetaObject::invokeMethod(
        this, [this, sentence = m_notebook->problem()] { Q_EMIT problem(sentence); },
        Qt::QueuedConnection);
}

} // namespace Zentovia
