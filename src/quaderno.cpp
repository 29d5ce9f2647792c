// The notebook's window, for a parent or a teacher: what each child knows.
// `zentovia --quaderno` starts it.
#include "app/application.h"
#include "app/commandline.h"
#include "classserver/classsender.h"
#include "classserver/serversettings.h"
#include "notebook/notebook.h"
#include "notebook/notebookwriter.h"
#include "notebookview/notebookwindow.h"
#include "telling/telling.h"

using namespace Zentovia;

int main(int argc, char **argv)
{
    const CommandLine commandLine = CommandLine::parse(argc, argv);
    if (!commandLine.runs()) {
        commandLine.print();
        return commandLine.exitStatus();
    }
    Application app(argc, argv);
    QApplication::setWindowIcon(Application::programIcon());
    // The one owner of the notebook's file: the window reads and writes it
    // through jobs on the notebook's thread.
    NotebookWriter notebook(Notebook::defaultPath(), nullptr, false);
    NotebookWindow window(notebook);
    // With a class's server set, the whole class.
    const ServerSettings server = ServerSettings::read();
    if (server.isSet())
        window.setClass(server.connection());
    // This computer's answers go on to the class's server while the window
    // is open too, and the teacher's erases and settings come back.
    const std::unique_ptr<ClassSender> sender = ClassSender::start(server, notebook.path());
    if (sender) {
        QObject::connect(sender.get(), &ClassSender::copied, &window,
            [&window](const QString &was, const QString &now) {
                const QString sentence = Telling::copied(was, now);
                Telling::toStderr(sentence);
                window.showProblem(sentence);
            });
        QObject::connect(sender.get(), &ClassSender::problem, &window,
            [connection = server.connection()](const ClassProblem &problem) {
                Telling::toStderr(Telling::classSend(connection, problem));
            });
    }
    if (server.problem()) {
        Telling::toStderr(Telling::classSetting(server.problem()));
        window.showProblem(Telling::classSetting(server.problem()));
    }
    window.show();
    return app.exec();
}
