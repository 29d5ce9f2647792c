#pragma once

#include "app/tavolaform.h"
#include "contest/contest.h"
#include "contest/dialogs.h"

#include <functional>

namespace Zentovia {

class Agent;
class Dialogs;
class Notice;
class RandomDraw;

// The drill's window: the form's controls bound to one contest. The boxes,
// the random draw, the character's host and the program's end come in from
// outside, so that tests can stand in for them.
class Tavola : public TavolaForm, private Dialogs
{
    Q_OBJECT
public:
    // A window for a contest on the given times table.
    Tavola(Dialogs &dialogs, RandomDraw &random, Agent &agent, int table = DefaultTable,
        QWidget *parent = nullptr);

    // What ends the program, with its exit status. The default asks the
    // application to quit.
    void setProgramEnd(std::function<void(int)> end) { m_programEnd = std::move(end); }

    // Makes the window a ripasso's, before load(): the questions come from
    // source, and the window says it is a ripasso.
    void setPractice(FactSource &source);

    // Start-up: the child's name, the clock, the record, the character.
    void load() { m_contest.start(); }

    Contest &contest() { return m_contest; }
    // Builds the controls and binds them to the contest now, if not yet done;
    // start-up does it while its first box is open.
    void ensureControls();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

Q_SIGNALS:
    // The controls are built and bound to the contest.
    void controlsBuilt();
    // A box of the contest has been closed: the child has answered it.
    void boxClosed();
    // Announced to a screen reader as it shows, wherever the focus is: a
    // verdict, the last minute.
    void announced(const QString &text);

private:
    // The contest's boxes go through the window: the controls are built
    // while the first box is open, and before anything is shown in them.
    QString inputBox(const QString &prompt) override;
    void messageBox(const QString &text) override;
    void bindControls();
    void bindContest();
    void showQuestion(const Question &question);
    void tellQuestion();
    void showVerdict(Contest::Verdict verdict, const QString &text);
    void showClock(const QString &text);
    void announce(QWidget *widget);
    void endProgram(int status);
    // With a time of the child's own or in a ripasso: "Ripeti" and F5.
    void offerRepeat();

    Dialogs &m_dialogs;
    Contest m_contest;
    std::function<void(int)> m_programEnd;
    Notice *m_notice = nullptr; // the window's, once the last minute comes
};

} // namespace Zentovia
