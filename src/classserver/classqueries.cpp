#include "classserver/classqueries.h"

namespace Zentovia {

ClassQueries::ClassQueries(const QString &connection, int waitMs, QObject *parent)
    : QObject(parent)
    , m_thread(QStringLiteral("classe"), this)
    , m_reader(std::make_shared<ClassReader>(connection, waitMs, m_thread.stopFd()))
{ }

ClassQueries::~ClassQueries()
{
    // The connection is let go on the thread that made it.
    if (m_thread.started())
        m_thread.post([reader = std::move(m_reader)]() mutable { reader.reset(); });
}

} // namespace Zentovia
