#pragma once

#include <QApplication>

namespace Zentovia {

class Failure;

// The program's application object. Every event handler runs inside
// notify(), so a Failure raised in any of them ends up here, once: it is
// reported in one box and on stderr, and the program ends with status 1.
class Application : public QApplication
{
    Q_OBJECT
public:
    Application(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // Reports a failure and ends the program at once, whatever is running.
    [[noreturn]] static void fail(const Failure &failure);

private:
    void installItalian();
};

} // namespace Zentovia
