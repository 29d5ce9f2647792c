#include "app/application.h"
#include "app/classcommand.h"
#include "app/commandline.h"
#include "app/contestprogram.h"
#include "app/notebookexport.h"
#include "classserver/serversettings.h"
#include "core/failure.h"
#include "telling/telling.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

using namespace Zentovia;

int main(int argc, char **argv)
{
    // The command line is read before anything else: a wrong one ends the
    // program before any window, and so do the help and the version.
    const CommandLine commandLine = CommandLine::parse(argc, argv);
    if (!commandLine.runs()) {
        commandLine.print();
        return commandLine.exitStatus();
    }
    if (commandLine.action == CommandLine::Action::Export) {
        QCoreApplication app(argc, argv);
        return exportNotebook(ServerSettings::read(), stdout);
    }
    if (commandLine.action == CommandLine::Action::Class) {
        QCoreApplication app(argc, argv);
        return runClassCommand(commandLine, ServerSettings::read());
    }

    if (commandLine.action == CommandLine::Action::Notebook) {
        // The notebook's window is a program of its own beside this one: the
        // contest does not carry the printing it needs.
        const std::string window
            = (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "zentovia-quaderno")
                  .string();
        ::execv(window.c_str(), argv);
        Telling::toStderr(
            QStringLiteral("non riesco ad aprire il quaderno (%1): %2")
                .arg(QString::fromStdString(window), QString::fromLocal8Bit(std::strerror(errno))));
        return 1;
    }

    Application app(argc, argv);
    QApplication::setWindowIcon(Application::programIcon());
    try {
        // The class's server, when one is set: read once, here.
        ContestProgram program(commandLine, ServerSettings::read());
        program.show();
        return app.exec();
    } catch (const Failure &failure) {
        Application::fail(failure);
    }
}
