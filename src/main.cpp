#include "app/application.h"
#include "app/commandline.h"
#include "app/qtdialogs.h"
#include "app/tavola.h"
#include "app/timeseededrandom.h"
#include "character/desktopagent.h"
#include "character/espeakvoice.h"
#include "core/datapath.h"
#include "core/failure.h"

#include <QIcon>
#include <QScreen>

using namespace Zentovia;

int main(int argc, char **argv)
{
    // The command line is read before anything else: a wrong one ends the
    // program before any window, and so do the help and the version.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine commandLine = CommandLine::parse(arguments);
    if (commandLine.action != CommandLine::Action::Run) {
        commandLine.print();
        return commandLine.exitStatus();
    }

    Application app(argc, argv);
    try {
        QtDialogs dialogs;
        TimeSeededRandom random;
        DesktopAgent agent1(std::make_unique<EspeakVoice>());
        Tavola tavola(dialogs, random, agent1);
        // The program's icon, the wizard's face, on every window and box.
        const QIcon icon(dataPath(QStringLiteral("icons/it.zentovia.Zentovia.svg")));
        QApplication::setWindowIcon(icon);
        dialogs.setParent(&tavola);
        tavola.load();
        // The window opens at the top-left corner of the desktop, where the
        // wizard stands just above the answer box.
        tavola.move(tavola.screen()->availableGeometry().topLeft());
        tavola.show();
        // Take the keyboard at once, so the child can type and use Alt+N
        // and Alt+X even on a desktop without a window manager.
        tavola.activateWindow();
        return app.exec();
    } catch (const Failure &failure) {
        Application::fail(failure);
    }
}
