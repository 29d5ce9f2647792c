#include "notebook/notebookwriter.h"

#include "notebook/notebook.h"

#include <QFileInfo>

namespace Zentovia {

struct NotebookWriter::OnThread
{
    QString path;
    bool checkWholeFile = true;
    std::unique_ptr<Notebook> notebook;
    bool reported = false;

    Notebook &opened()
    {
        if (!notebook)
            notebook = std::make_unique<Notebook>(path, checkWholeFile);
        return *notebook;
    }
};

Notebook *NotebookWriter::notebook(OnThread &onThread, bool begin)
{
    if (!begin && !onThread.notebook && !QFileInfo::exists(onThread.path))
        return nullptr;
    return &onThread.opened();
}

NotebookWriter::NotebookWriter(const QString &path, QObject *parent, bool checkWholeFile)
    : QObject(parent)
    , m_path(path)
    , m_onThread(std::make_shared<OnThread>())
    , m_thread(QStringLiteral("quaderno"), this, 10000)
{
    m_onThread->path = path;
    m_onThread->checkWholeFile = checkWholeFile;
}

NotebookWriter::~NotebookWriter()
{
    // Queued behind every answer handed over: they are written, then the
    // notebook is closed on the thread that opened it.
    if (m_thread.started())
        m_thread.post([onThread = std::move(m_onThread)] { onThread->notebook.reset(); });
}

void NotebookWriter::add(const Answer &answer)
{
    m_thread.post([this, handle = m_thread.handle(), onThread = m_onThread, answer] {
        const bool added = onThread->opened().add(answer);
        if (const NotebookProblem setAside = onThread->notebook->takeSetAside())
            handle.reply([this, setAside] { Q_EMIT problem(setAside); });
        if (added) {
            handle.reply([this] { Q_EMIT stored(); });
            return;
        }
        if (onThread->reported)
            return;
        onThread->reported = true;
        // Said once: the answers that follow may fail the same way.
        handle.reply([this, failed = onThread->notebook->problem()] { Q_EMIT problem(failed); });
    });
}

void NotebookWriter::askKeypad(const QString &child)
{
    read([child](Notebook *notebook) { return notebook && notebook->settings().usesKeypad(child); },
        [this](bool used) {
            if (used)
                Q_EMIT keypadUsedBefore();
        });
}

void NotebookWriter::rememberKeypad(const QString &child)
{
    m_thread.post(
        [onThread = m_onThread, child] { onThread->opened().settings().setUsesKeypad(child); });
}

} // namespace Zentovia
