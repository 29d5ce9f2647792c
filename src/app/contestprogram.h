#pragma once

#include "app/commandline.h"
#include "app/keypad.h"
#include "app/qtdialogs.h"
#include "app/tavola.h"
#include "app/tavolakeypad.h"
#include "classserver/classlist.h"
#include "classserver/serversettings.h"
#include "contest/timeseededrandom.h"
#include "notebook/notebooksettings.h"
#include "notebook/notebookwriter.h"
#include "stage/stageagent.h"

#include <QHash>
#include <QObject>

#include <memory>
#include <optional>

namespace Zentovia {

class ClassSender;
class EspeakVoice;
class NotebookPractice;
class NotebookRecorder;
class PictureLogin;

// The contest's program put together: the window and its boxes, the wizard
// and his voice, the child's notebook and its writer, the ripasso, the
// class's server and the keypad, each tied to the others. main() reads the
// command line and starts it; a test starts it as the program would.
class ContestProgram : public QObject
{
    Q_OBJECT

public:
    // settings: the class's server, read once by the caller.
    ContestProgram(const CommandLine &commandLine, const ServerSettings &settings);
    ~ContestProgram() override;

    // Puts the window on the screen, with the keyboard.
    void show();
    Tavola &tavola() { return *m_tavola; }

private:
    // The settings the contest needs, read on the notebook's thread: the
    // tables the teacher assigned for the week, as this computer last heard
    // them, the class list's names for the name box, and each child's own.
    void readSettings();
    // The tables assigned, or none: those of the command line.
    void follow(const std::optional<Assignment> &assigned);
    // His scroll shows the table drilled.
    QHash<QString, QString> scroll(const QList<int> &drilled, int first) const;
    void connectNotebook();
    // Once the child is named: the picture code on a computer of the class,
    // then the child's own settings.
    void childNamed(const QString &child);
    // The child's own time for a contest, and own tables for the week.
    void applyChildSettings();
    // On a computer of the class, a child of the list gives their picture
    // code: the name the answers then go under, and the code when right.
    std::pair<QString, QString> askCode(const QString &child);
    void startSending();
    void connectStage();
    void connectKeypad();

    const CommandLine m_commandLine;
    const ServerSettings m_server;
    const bool m_followsAssignment;
    QtDialogs m_dialogs;
    TimeSeededRandom m_random;
    EspeakVoice *m_voice = nullptr;
    std::unique_ptr<StageAgent> m_agent;
    std::optional<Assignment> m_assigned;
    std::optional<NotebookSettings> m_settings; // once read
    std::optional<QString> m_named; // the child, once named
    std::unique_ptr<Tavola> m_tavola;
    QString m_title;
    QStringList m_classList;
    std::unique_ptr<NotebookWriter> m_notebook;
    std::unique_ptr<NotebookPractice> m_practice;
    std::unique_ptr<NotebookRecorder> m_recorder;
    std::unique_ptr<ClassSender> m_sender;
    std::unique_ptr<TavolaKeypad> m_keypad;
    std::unique_ptr<PictureLogin> m_login;
};

} // namespace Zentovia
