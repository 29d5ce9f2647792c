#pragma once

#include "app/conteststate.h"
#include "app/tavolaform.h"

#include <functional>

namespace Zentovia {

class Agent;
class Character;
class Dialogs;
class RandomDraw;

// The drill's window: one contest of seven minutes, from the child's name to
// the record. The boxes, the random draw, the character's host and the
// program's end come in from outside, so that tests can stand in for them.
class Tavola : public TavolaForm
{
    Q_OBJECT
public:
    // The character's id and its fixed load key: our character file, under
    // the program's data folder.
    static const QString MerlinId;
    static const QString MerlinKey;
    static const QString Instructions;

    Tavola(Dialogs &dialogs, RandomDraw &random, Agent &agent1, QWidget *parent = nullptr);

    // What ends the program, with its exit status. The default asks the
    // application to quit.
    void setProgramEnd(std::function<void(int)> end) { m_programEnd = std::move(end); }

    // Start-up: the child's name, the clock, the record, the character.
    void load();
    // The first question, when the window is first shown.
    void activate();
    // Asks a new question (the click action of "Nuovo calcolo").
    void askQuestion();
    // Judges the answer in the answer box (Enter in the answer box).
    void checkAnswer();
    // One second of the countdown.
    void tick();
    // The end of contest: farewell, record, end of the program.
    void endContest();

    // Arms the seven-minute clock.
    void AvviaTimer();

    const ContestState &state() const { return m_state; }
    bool hasEnded() const { return m_ended; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A modal box; no tick is handled while it is open.
    QString inputBox(const QString &prompt);
    void messageBox(const QString &text);
    // Brings the character into view at its place and size, playing an
    // opening animation when one is given.
    void bringIntoView(Character &merlin, const QString &opening = QString());
    void sayQuestionAgain();
    void answerKeyPressed(int code);
    void advanceClock();
    void endProgram(int status);

    Dialogs &m_dialogs;
    RandomDraw &m_random;
    Agent &m_agent1;
    std::function<void(int)> m_programEnd;
    ContestState m_state;
    bool m_activated = false;
    bool m_judged = false; // the current question's answer has been counted
    bool m_ended = false;
    int m_openBoxes = 0;
};

} // namespace Zentovia
