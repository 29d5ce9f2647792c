#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace Zentovia {

// A step of the program that cannot go on. Raised where the step fails; it
// ends the handler that was running, and the application reports it once,
// in Italian ("what failed, and why") and ends the program with status 1.
class Failure : public std::exception
{
public:
    explicit Failure(const QString &message)
        : m_message(message)
        , m_utf8(message.toUtf8())
    { }

    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

} // namespace Zentovia
