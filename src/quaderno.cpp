// The notebook's window, for a parent or a teacher: what each child knows.
// `zentovia --quaderno` starts it.
#include "app/application.h"
#include "app/commandline.h"
#include "notebookview/notebookwindow.h"
#include "notebook/notebook.h"

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
    Notebook notebook;
    NotebookWindow window(notebook);
    window.show();
    return app.exec();
}
