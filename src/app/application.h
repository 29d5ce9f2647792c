#pragma once

#include <QApplication>
#include <QIcon>

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

    // The program's icon, the wizard's face: the sizes drawn at build time
    // (no SVG to render before the first box), or the drawing itself.
    static QIcon programIcon();

    // Reports a failure and ends the program at once, whatever is running.
    [[noreturn]] static void fail(const Failure &failure);

private:
    void installItalian();
};

} // namespace Zentovia
