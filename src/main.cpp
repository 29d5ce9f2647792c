#include "app/application.h"
#include "app/assignedwork.h"
#include "app/classcommand.h"
#include "app/commandline.h"
#include "app/keypad.h"
#include "app/notebookexport.h"
#include "app/notebookpractice.h"
#include "app/notebookrecorder.h"
#include "app/qtdialogs.h"
#include "app/screenfit.h"
#include "app/stagelayout.h"
#include "app/tavola.h"
#include "app/tavolakeypad.h"
#include "app/wizard.h"
#include "classserver/classlist.h"
#include "classserver/classsender.h"
#include "classserver/serversettings.h"
#include "contest/timeseededrandom.h"
#include "core/failure.h"
#include "notebook/notebook.h"
#include "notebook/notebookwriter.h"
#include "stage/stageagent.h"
#include "voice/espeakvoice.h"

#include <QFileInfo>
#include <QInputDevice>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

using namespace Zentovia;
using namespace Qt::StringLiterals;

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
        std::fprintf(stderr, "zentovia: non riesco ad aprire il quaderno (%s): %s\n",
            window.c_str(), std::strerror(errno));
        return 1;
    }

    Application app(argc, argv);
    QApplication::setWindowIcon(Application::programIcon());
    // On a screen smaller than the form, the whole program drawn smaller.
    const bool keypadAtOnce = commandLine.keypad || Keypad::touchOnly(QInputDevice::devices());
    ScreenFit::fitContest(keypadAtOnce);
    try {
        QtDialogs dialogs;
        TimeSeededRandom random;
        auto owned = std::make_unique<EspeakVoice>();
        EspeakVoice *voice = owned.get();
        StageAgent agent(std::move(owned));
        // The class's server, when one is set: read once, here.
        const ServerSettings server = ServerSettings::read();
        if (!server.problem().isEmpty())
            qWarning().noquote() << u"zentovia: "_s + server.problem();
        // With no table chosen, the tables the teacher assigned for the week,
        // as this computer last heard them from the class's server: the
        // class's until the child is named, then the child's.
        const bool followsAssignment = server.isSet() && commandLine.tables.isEmpty();
        std::optional<Assignment> assigned;
        if (server.isSet()) {
            Notebook notebook(Notebook::defaultPath());
            if (followsAssignment)
                assigned = assignedWork(notebook, QString(), QDate::currentDate());
            // The name box offers the class list's names.
            dialogs.setSuggestions(notebook.lastClassList());
        }
        const QList<int> tables = assigned ? assigned->tables : commandLine.tables;
        const int table = assigned ? tables.first() : commandLine.table;
        // His scroll shows the table drilled.
        const auto scroll = [&](const QList<int> &drilled, int first) {
            return wizardTexts(drilled.size() > 1 || (commandLine.practice && drilled.isEmpty())
                    ? u"?"_s
                    : QString::number(first));
        };
        agent.setPartTexts(scroll(tables, table));
        Tavola tavola(dialogs, random, agent, table);
        // The week's tables mixed, or those of a ripasso, named by the wizard.
        tavola.contest().setTables(tables);
        // Every answer goes into the child's notebook, which is opened at the
        // first answer, on a thread of its own.
        NotebookWriter notebook(Notebook::defaultPath());
        // A ripasso asks what the child's notebook says is worth asking.
        std::unique_ptr<NotebookPractice> practice;
        if (commandLine.practice) {
            practice = std::make_unique<NotebookPractice>(
                Notebook::defaultPath(), tables, server.connection());
            QObject::connect(&tavola.contest(), &Contest::playerNamed, practice.get(),
                &NotebookPractice::childNamed);
            tavola.setPractice(*practice);
        }
        // The window's title says the work assigned, and the child's own
        // once named.
        const QString title = tavola.windowTitle();
        if (assigned)
            tavola.setWindowTitle(title + assignedWorkCaption(*assigned));
        // Once the child is named: their own time for a contest, as a parent
        // or the teacher set it, and their own tables for the week.
        QObject::connect(
            &tavola.contest(), &Contest::playerNamed, &tavola, [&, title](const QString &child) {
                // A notebook not begun yet holds no setting: it is made at
                // the first answer, on the writer's thread.
                if (!QFileInfo::exists(Notebook::defaultPath()))
                    return;
                Notebook read(Notebook::defaultPath());
                tavola.contest().setMinutes(read.contestMinutes(child));
                if (!followsAssignment)
                    return;
                const std::optional<Assignment> own
                    = assignedWork(read, child, QDate::currentDate());
                const QList<int> ownTables = own ? own->tables : QList<int> {};
                if (ownTables == (assigned ? assigned->tables : QList<int> {}))
                    return;
                const int first = own ? ownTables.first() : commandLine.table;
                tavola.contest().setTable(first);
                tavola.contest().setTables(ownTables);
                if (practice)
                    practice->setTables(ownTables);
                agent.setPartTexts(scroll(ownTables, first));
                tavola.setWindowTitle(title + (own ? assignedWorkCaption(*own) : QString()));
            });
        NotebookRecorder recorder(
            tavola.contest(), notebook, commandLine.practice ? Mode::Practice : Mode::Contest);
        // With a class's server set, the answers go on to it from the
        // notebook, on a thread of their own, from the moment the name box is
        // answered: each once the notebook has stored it. The child never
        // waits for the server, whether it is away or hangs.
        std::unique_ptr<ClassSender> sender;
        QObject::connect(
            &tavola, &Tavola::boxClosed, &tavola,
            [&] {
                sender = ClassSender::start(server, Notebook::defaultPath());
                if (sender)
                    QObject::connect(&notebook, &NotebookWriter::stored, sender.get(),
                        &ClassSender::answerStored);
            },
            Qt::SingleShotConnection);
        // The voice loads while the child reads the greeting: not while the
        // name box is being put on screen, and ready for the wizard's first
        // words.
        QObject::connect(&tavola, &Tavola::boxClosed, voice, &EspeakVoice::startLoading,
            Qt::SingleShotConnection);
        // The wizard lives in the window, above its controls, and his
        // balloon leaves the contest's controls in view.
        agent.setStage(&tavola);
        QObject::connect(&tavola, &Tavola::controlsBuilt, &tavola,
            [&] { agent.setKeepClear(balloonKeepClear(tavola)); });
        // The keypad on the screen: when asked for, on a computer whose only
        // way in is a touch screen, or for a child who has played with it on
        // this computer before, as soon as the child is named.
        TavolaKeypad keypad(tavola);
        QObject::connect(&keypad, &TavolaKeypad::shown, &tavola,
            [&] { agent.setKeepClear(balloonKeepClear(tavola)); });
        if (keypadAtOnce)
            QObject::connect(&tavola, &Tavola::controlsBuilt, &keypad, &TavolaKeypad::show);
        QObject::connect(
            &tavola.contest(), &Contest::playerNamed, &notebook, &NotebookWriter::askKeypad);
        QObject::connect(
            &notebook, &NotebookWriter::keypadUsedBefore, &keypad, &TavolaKeypad::show);
        QObject::connect(
            &keypad, &TavolaKeypad::used, &notebook,
            [&] { notebook.rememberKeypad(tavola.contest().player()); }, Qt::SingleShotConnection);
        dialogs.setParent(&tavola);
        tavola.load();
        // The window manager places the window.
        tavola.show();
        // Take the keyboard at once, so the child can type and use Alt+N
        // and Alt+X even on a desktop without a window manager.
        tavola.activateWindow();
        return app.exec();
    } catch (const Failure &failure) {
        Application::fail(failure);
    }
}
