#pragma once

#include <QString>
#include <QtGlobal>

namespace Zentovia::Testing {

// Counts the voice's complaints that it speaks without sound ("il mago parla
// senza suono ..."), passing every message on as usual.
class TroubleCount
{
public:
    // Starts counting for the rest of the test program.
    static void install()
    {
        s_previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
                if (message.contains(QStringLiteral("parla senza suono")))
                    ++s_count;
                s_previous(type, context, message);
            });
    }
    static void reset() { s_count = 0; }
    static int count() { return s_count; }

private:
    static inline int s_count = 0;
    static inline QtMessageHandler s_previous = nullptr;
};

} // namespace Zentovia::Testing
