#include "app/contestprogram.h"

#include "app/assignedwork.h"
#include "app/notebookpractice.h"
#include "app/notebookrecorder.h"
#include "app/picturepad.h"
#include "app/stagelayout.h"
#include "app/wizard.h"
#include "classserver/classsender.h"
#include "notebook/notebook.h"
#include "telling/telling.h"
#include "voice/espeakvoice.h"

#include <QInputDevice>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace Zentovia {

ContestProgram::ContestProgram(const CommandLine &commandLine, const ServerSettings &settings)
    : m_commandLine(commandLine)
    , m_server(settings)
    // With no table chosen, the tables the teacher assigned for the week:
    // the class's until the child is named, then the child's.
    , m_followsAssignment(settings.isSet() && commandLine.tables.isEmpty())
{
    auto owned = std::make_unique<EspeakVoice>();
    m_voice = owned.get();
    connect(m_voice, &EspeakVoice::problem, this,
        [](const VoiceProblem &problem) { Telling::toStderr(Telling::voice(problem)); });
    m_agent = std::make_unique<StageAgent>(std::move(owned));
    if (m_server.problem())
        Telling::toStderr(Telling::classSetting(m_server.problem()));
    const QList<int> tables = m_commandLine.tables;
    const int table = m_commandLine.table;
    m_agent->setPartTexts(scroll(tables, table));
    m_tavola = std::make_unique<Tavola>(m_dialogs, m_random, *m_agent, table);
    // The week's tables mixed, or those of a ripasso, named by the wizard.
    m_tavola->contest().setTables(tables);
    // Every answer goes into the child's notebook, and every read of it is
    // made, on the notebook's own thread: the window never opens the file.
    m_notebook = std::make_unique<NotebookWriter>(Notebook::defaultPath());
    // A ripasso asks what the child's notebook says is worth asking.
    if (m_commandLine.practice) {
        m_practice = std::make_unique<NotebookPractice>(*m_notebook, tables, m_server.connection());
        m_tavola->setPractice(*m_practice);
    }
    // The window's title says the work assigned, and the child's own once
    // named.
    m_title = m_tavola->windowTitle();
    readSettings();
    connectNotebook();
    connectStage();
    connectKeypad();
    m_dialogs.setParent(m_tavola.get());
    m_tavola->load();
}

ContestProgram::~ContestProgram() = default;

void ContestProgram::show()
{
    // The window manager places the window.
    m_tavola->show();
    // Take the keyboard at once, so the child can type and use Alt+N and
    // Alt+X even on a desktop without a window manager.
    m_tavola->activateWindow();
}

void ContestProgram::readSettings()
{
    // Read while the name box is open: no file is read at the name.
    m_notebook->read(
        [](Notebook *notebook) {
            return notebook ? notebook->settings().all().value_or(NotebookSettings())
                            : NotebookSettings();
        },
        [this](const NotebookSettings &settings) {
            m_settings = settings;
            if (m_server.isSet()) {
                // The name box offers the class list's names.
                m_classList = settings.lastClassList();
                m_dialogs.setSuggestions(m_classList);
            }
            if (m_followsAssignment) {
                m_assigned = assignedWork(settings, QString(), QDate::currentDate());
                if (m_assigned)
                    follow(m_assigned);
            }
            if (m_named)
                applyChildSettings();
        });
}

void ContestProgram::follow(const std::optional<Assignment> &assigned)
{
    const QList<int> tables = assigned ? assigned->tables : QList<int> {};
    const int first = assigned ? tables.first() : m_commandLine.table;
    m_tavola->contest().setTable(first);
    m_tavola->contest().setTables(tables);
    if (m_practice)
        m_practice->setTables(tables);
    m_agent->setPartTexts(scroll(tables, first));
    m_tavola->setWindowTitle(m_title + (assigned ? assignedWorkCaption(*assigned) : QString()));
}

QHash<QString, QString> ContestProgram::scroll(const QList<int> &drilled, int first) const
{
    return wizardTexts(drilled.size() > 1 || (m_commandLine.practice && drilled.isEmpty())
            ? u"?"_s
            : QString::number(first));
}

void ContestProgram::connectNotebook()
{
    connect(m_notebook.get(), &NotebookWriter::problem, this,
        [](const NotebookProblem &problem) { Telling::toStderr(Telling::notebook(problem)); });
    connect(&m_tavola->contest(), &Contest::playerNamed, this, &ContestProgram::childNamed);
    m_recorder = std::make_unique<NotebookRecorder>(
        m_tavola->contest(), *m_notebook, m_commandLine.practice ? Mode::Practice : Mode::Contest);
    // With a class's server set, the answers go on to it from the notebook,
    // on a thread of their own, from the moment the name box is answered:
    // each once the notebook has stored it. The child never waits for the
    // server, whether it is away or hangs.
    connect(m_tavola.get(), &Tavola::boxClosed, this, &ContestProgram::startSending,
        Qt::SingleShotConnection);
}

std::pair<QString, QString> ContestProgram::askCode(const QString &child)
{
    if (!m_server.isSet() || !PictureLogin::asksFor(m_classList, child))
        return { child, QString() };
    // Kept with the program: a check given up on is let go without the
    // window waiting for its thread.
    m_login = std::make_unique<PictureLogin>(m_server.connection(), Notebook::defaultPath(), child);
    PictureLogin &login = *m_login;
    const QScreen *screen = m_tavola->screen();
    PicturePad pad(login,
        Keypad::keySide(screen ? screen->physicalDotsPerInch() : 0.0,
            screen ? screen->devicePixelRatio() : 1.0),
        m_tavola.get());
    connect(&pad, &PicturePad::said, m_voice, &EspeakVoice::say);
    m_voice->say(PicturePad::sentence());
    // The pad's own loop: the window's thread goes on while the server
    // checks the code.
    pad.exec();
    m_voice->stop();
    login.giveUp(); // closed with a code still being checked
    return { login.answersName(), login.code() };
}

void ContestProgram::childNamed(const QString &named)
{
    // The child's own data once the code is right; under a name marked for
    // the teacher when it was not given.
    const auto [child, code] = askCode(named);
    if (child != named)
        m_recorder->setChild(child);
    if (m_practice)
        m_practice->childNamedWithCode(child, code);
    m_named = child;
    // A right code has brought the child's settings from the class into the
    // notebook: they are read again.
    if (!code.isEmpty())
        readSettings();
    else
        applyChildSettings();
}

void ContestProgram::applyChildSettings()
{
    // The settings come before the name but for a file read slowly: then
    // they are taken as they come.
    if (!m_settings || !m_named)
        return;
    const QString &child = *m_named;
    m_tavola->contest().setMinutes(m_settings->contestMinutes(child));
    if (!m_followsAssignment)
        return;
    const std::optional<Assignment> own = assignedWork(*m_settings, child, QDate::currentDate());
    const QList<int> ownTables = own ? own->tables : QList<int> {};
    if (ownTables != (m_assigned ? m_assigned->tables : QList<int> {}))
        follow(own);
}

void ContestProgram::startSending()
{
    m_sender = ClassSender::start(m_server, Notebook::defaultPath());
    if (!m_sender)
        return;
    connect(m_notebook.get(), &NotebookWriter::stored, m_sender.get(), &ClassSender::answerStored);
    connect(m_sender.get(), &ClassSender::problem, this,
        [connection = m_server.connection()](const ClassProblem &problem) {
            Telling::toStderr(Telling::classSend(connection, problem));
        });
    connect(m_sender.get(), &ClassSender::copied, this, [](const QString &was, const QString &now) {
        Telling::toStderr(Telling::copied(was, now));
    });
}

void ContestProgram::connectStage()
{
    // The voice loads while the child reads the greeting: not while the
    // name box is being put on screen, and ready for the wizard's first
    // words.
    connect(m_tavola.get(), &Tavola::boxClosed, m_voice, &EspeakVoice::startLoading,
        Qt::SingleShotConnection);
    // The wizard lives in the window, above its controls, and his balloon
    // leaves the contest's controls in view.
    m_agent->setStage(m_tavola.get());
    connect(m_tavola.get(), &Tavola::controlsBuilt, this,
        [this] { m_agent->setKeepClear(balloonKeepClear(*m_tavola)); });
}

void ContestProgram::connectKeypad()
{
    // The keypad on the screen: when asked for, on a computer whose only way
    // in is a touch screen, or for a child who has played with it on this
    // computer before, as soon as the child is named.
    m_keypad = std::make_unique<TavolaKeypad>(*m_tavola);
    connect(m_keypad.get(), &TavolaKeypad::shown, this,
        [this] { m_agent->setKeepClear(balloonKeepClear(*m_tavola)); });
    if (m_commandLine.keypad || Keypad::touchOnly(QInputDevice::devices()))
        connect(m_tavola.get(), &Tavola::controlsBuilt, m_keypad.get(), &TavolaKeypad::show);
    connect(
        &m_tavola->contest(), &Contest::playerNamed, m_notebook.get(), &NotebookWriter::askKeypad);
    connect(
        m_notebook.get(), &NotebookWriter::keypadUsedBefore, m_keypad.get(), &TavolaKeypad::show);
    connect(
        m_keypad.get(), &TavolaKeypad::used, m_notebook.get(),
        [this] { m_notebook->rememberKeypad(m_tavola->contest().player()); },
        Qt::SingleShotConnection);
}

} // namespace Zentovia
