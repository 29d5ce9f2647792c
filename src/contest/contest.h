#pragma once

#include "contest/countdown.h"
#include "contest/int16.h"
#include "core/request.h"
#include "core/tables.h"
#include "learning/practice.h"

#include <QPoint>

#include <QObject>
#include <QString>

#include <optional>

namespace Zentovia {

class Agent;
class Character;
class Clock;
class Dialogs;
class RandomDraw;

// One question of the drill: factor x multiplier.
struct Question
{
    Int16 factor; // the table drilled
    Int16 multiplier; // 1..10, drawn at random
    Int16 product; // the answer expected, compared as text
    Int16 tint; // 1..10, drawn at random: the green of the background
    QString words; // the multiplier in Italian words, as the wizard says it
};

// The character who leads the contest: its id, the key of its character file,
// where its top-left corner stands in the window and how tall it is. The code
// that puts the program together says them.
struct Cast
{
    QString id;
    QString key;
    QPoint place;
    int height = 0;
};

// The rules of one contest of seven minutes, from the child's name to the
// record, with no window: the counts, the question, the clock and the
// verdicts. It asks its boxes through Dialogs, draws through RandomDraw,
// speaks through the character it finds in the Agent, and stores the record
// itself. What the window must show, it reports through its signals; ticks
// and the child's actions come in as calls.
class Contest : public QObject
{
    Q_OBJECT
public:
    enum class Verdict { Right, Wrong };

    // What the wizard says to open a contest of the 5 times table.
    static const QString Instructions;
    // The table drilled when none is asked for, and the tables there are.

    // A contest on the given times table, 1..10, led by the cast's character.
    Contest(Dialogs &dialogs, RandomDraw &random, Agent &agent, Cast cast, int table = DefaultTable,
        QObject *parent = nullptr);

    // The clock that times each answer; the system's unless set.
    void setClock(Clock &clock) { m_time = &clock; }
    // Makes this a ripasso, before start(): the questions come from source,
    // Practice::Questions of them, with no countdown; no record is read or
    // stored.
    void setPractice(FactSource &source) { m_practice.emplace(source); }
    bool isPractice() const { return m_practice.has_value(); }

    // Start-up: the child's name, the clock, the record, the character.
    void start();
    // The first question, when the window is first shown; once.
    void activate();
    // Asks a new question.
    void askQuestion();
    // A key that types a character into the answer box, which holds answer;
    // Enter ('\r') judges it, once per question.
    void keyTyped(QChar key, const QString &answer);
    // Judges an answer against the current question. In a ripasso an empty
    // answer is none: the wizard asks for the result, and nothing is kept.
    void judge(const QString &answer);
    // One second of the countdown.
    void tick();
    // The end of contest: farewell, record, end of the program.
    void finish();
    // The character says the current question again.
    void sayQuestionAgain();

    // What the wizard says to open a contest of a table: the 5's words with
    // the table named as Italian says it ("del 2", "dell'8", "del 10").
    static QString instructions(int table);
    // Several tables: "con le tabelline del 3 e del 9."
    static QString instructions(const QList<int> &tables);
    // A ripasso's on the tables chosen for it; none: those the child needs.
    static QString practiceInstructions(const QList<int> &tables);
    QString instructions() const;
    int table() const { return m_table; }
    // Another table, once the child is named (from playerNamed): the record
    // read and the wizard's opening words are the new table's.
    void setTable(int table) { setTables({ table }); }
    // The tables of the week, before the wizard speaks: a contest on several
    // asks them mixed, each question's table drawn after its multiplier,
    // and keeps its record apart for that set of tables ("tabelline-3-9");
    // the wizard names them, in a ripasso too. In order; the first is table().
    void setTables(const QList<int> &tables);
    const QList<int> &tables() const { return m_tables; }
    // A child's time (ContestMinutesChoices), once named: with other than
    // the seven minutes, the clock starts once the wizard has given his
    // instructions (no clock: the questions of a ripasso are counted
    // instead, each fact of the table twice, in shuffled rounds of ten), the
    // record is kept apart, the question is written while it is asked, and a
    // new question drops what the wizard still had to say.
    void setMinutes(int minutes) { m_minutes = minutes; }
    int minutes() const { return m_minutes; }
    bool hasOwnTime() const { return !isPractice() && m_minutes != DefaultContestMinutes; }
    // The clock's place counts the questions still to come.
    bool countsQuestions() const { return isPractice() || (hasOwnTime() && m_minutes == NoClock); }

    const Question &question() const { return m_question; }
    // The clock; tests may set it to any moment.
    const Countdown &countdown() const { return m_countdown; }
    Countdown &countdown() { return m_countdown; }
    int correctCount() const { return m_correct.value(); }
    int wrongCount() const { return m_wrong.value(); }
    const QString &player() const { return m_player; }
    const QString &recordDir() const { return m_recordDir; }
    bool isRunning() const { return m_activated && !m_ended; }
    bool hasEnded() const { return m_ended; }

Q_SIGNALS:
    // The player's name, for the window's name label and field.
    void playerNamed(const QString &name);
    // The stored record as read, line ends and all.
    void recordRead(const QString &points, const QString &holder);
    // The clock is set; a tick() is due every second from now on.
    void clockArmed();
    void clockShown(const QString &text);
    // A new question: the window shows its factors and words, empties the
    // verdict and the answer box, and puts the focus in the answer box.
    void questionAsked(const Question &question);
    // The wizard's last word of the question is heard (again after Ripeti).
    void questionSpoken();
    // The line "factor X multiplier" above the answer box.
    void questionLineShown(bool shown);
    // Paint the background gradient with this red and green; or clear it.
    void gradientPainted(int red, int green);
    void drawingCleared();
    void verdictShown(Contest::Verdict verdict, const QString &text);
    void countsShown(const QString &correct, const QString &wrong, const QString &total);
    // The button for the next question is enabled and takes the focus.
    void nextOffered();
    // A question answered with Enter: what was typed, the verdict, and the
    // milliseconds from the question shown to Enter. Once per question.
    void answered(
        const Question &question, const QString &typed, Contest::Verdict verdict, qint64 ms);
    // A question left unanswered for a new one, after ms milliseconds.
    void skipped(const Question &question, qint64 ms);
    // The program ends with this status; nothing of the contest runs after.
    void ended(int status);

private:
    void readRecord();
    // The questions of a ripasso still to come, where the clock would be.
    void showRemaining();
    // A question answered or left, in a ripasso or a contest with no clock.
    void questionCounted(bool right);
    // The record's two files, in the record folder.
    QString pointsFile() const;
    QString holderFile() const;
    void introduceCharacter();
    void drawQuestion();
    // The request of its last word.
    Request sayQuestion(Character &character);
    void questionHeard(quint64 id);
    void requestDone(quint64 id);
    void praise(Character &character, int before, const QString &product);
    void end(int status);
    // A modal box; no tick is handled while it is open.
    QString inputBox(const QString &prompt);
    void messageBox(const QString &text);
    // Brings the character into view at its place and size, playing an
    // opening animation when one is given.
    Character &characterInView(const QString &opening = QString());

    Dialogs &m_dialogs;
    RandomDraw &m_random;
    Agent &m_agent;
    const Cast m_cast;
    int m_table; // the times table drilled
    QList<int> m_tables; // the tables chosen, smallest first; empty or one: m_table alone
    Int16 m_correct;
    Int16 m_wrong;
    Question m_question;
    Countdown m_countdown;
    QString m_player;
    QString m_recordDir;
    QString m_storedPoints;
    Clock *m_time;
    std::optional<Practice> m_practice;
    // When the current question was shown, then when its last word was
    // heard (the request m_questionSaid, 0 once heard), again after Ripeti.
    qint64 m_askedAt = 0;
    quint64 m_questionSaid = 0;
    bool m_asked = false; // a question has been shown
    bool m_judged = false; // the current question's answer has been counted
    bool m_activated = false;
    bool m_ended = false;
    int m_openBoxes = 0;
    int m_minutes = DefaultContestMinutes;
    quint64 m_instructionsSaid = 0; // until said, with a time of the child's own
    int m_questionsLeft = 0; // with no clock
    // With no clock, each fact of the table twice: the multipliers of this
    // round still to ask.
    QList<int> m_round;
};

} // namespace Zentovia
