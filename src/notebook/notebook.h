#pragma once

#include "learning/answer.h"
#include "learning/factstate.h"
#include "notebook/notebookproblem.h"
#include "notebook/notebooksettings.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>

class QSqlError;
class QSqlQuery;

namespace Zentovia {

class NotebookFile;

// A child as the notebook knows it.
struct Child
{
    QString name; // as last typed
    QDateTime lastActivity;
    int answers = 0;
};

// An answer as it is stored, its clock in wall seconds (see LocalClock): what
// the loops over every answer read, with no QDateTime built for each.
struct StoredAnswer
{
    qint64 number = 0; // in this notebook
    qint64 wallSeconds = 0;
    QString child;
    int table = 0;
    int multiplier = 0;
    QString typed;
    Outcome outcome = Outcome::Wrong;
    int tenths = 0;
    Mode mode = Mode::Contest;
    int utcOffset = 0; // minutes east of UTC when it was given
};

// The child's notebook ("il quaderno"): every answer of every child, in one
// SQLite file. It is never a reason to stop a contest: an operation that
// fails returns so and keeps why (problem()); the next operation tries
// again.
//
// The file is opened at the first operation, not before. A file that is not
// a database is moved aside, never deleted, and a new one started; a file of
// a later version of the program is left untouched.
//
// Children are told apart by their name with case ignored; a blank name is
// "Amico" (see playerName). One instance is used by one thread.
class Notebook
{
public:
    // $XDG_DATA_HOME/zentovia/quaderno.sqlite; empty when there is no home.
    static QString defaultPath();
    // checkWholeFile: every page of the file is checked when it is opened,
    // not only its tables' list (see NotebookFile::Check).
    explicit Notebook(const QString &path = defaultPath(), bool checkWholeFile = false);
    ~Notebook();
    Notebook(const Notebook &) = delete;
    Notebook &operator=(const Notebook &) = delete;

    const QString &path() const { return m_path; }
    // The last problem met.
    const NotebookProblem &problem() const { return m_problem; }
    // Once, after the first operation: the file found was no notebook, and
    // was set aside (SetAside, with its new name) for a new one.
    NotebookProblem takeSetAside();

    // Every operation opens the file when it is not yet open.
    bool open();
    // Stored and committed on its own before it returns true.
    bool add(const Answer &answer);
    // All or none, in one transaction: for bulk writers such as imports.
    bool add(const QList<Answer> &answers);

    // The most recently active first.
    std::optional<QList<Child>> children();
    // Oldest first (in the order they were written), under the child's name
    // as last typed.
    std::optional<QList<Answer>> answers(const QString &child);
    // DefaultFactSeconds for a child not met yet.
    std::optional<int> factSeconds(const QString &child);
    // seconds is one of FactSecondsChoices.
    bool setFactSeconds(const QString &child, int seconds);
    // A child with no answer yet, for a parent to set the child's times
    // before the first game; a child already there stays as is.
    bool addChild(const QString &child);
    // The child's answers and entry, for good.
    bool erase(const QString &child);
    // Every fact of the child, with the child's time for a fact.
    std::optional<FactGrid> grid(const QString &child);
    // Every answer of every child, oldest first; visit returns false to stop.
    bool forEachAnswer(const std::function<bool(const StoredAnswer &)> &visit);

    // Sending to the class's database on the school's server (see
    // ClassSender): the answers are sent in number order, and the mark of
    // what a database (known by its random id) has is the highest number
    // it holds, 0 when none. The mark never moves back.
    std::optional<qint64> sentUpTo(const QString &databaseId);
    bool markSent(const QString &databaseId, qint64 number);
    // At most limit answers numbered after `after`, in number order, under
    // the child's name as last typed.
    std::optional<QList<StoredAnswer>> answersAfter(qint64 after, int limit);

    // This notebook's random id (16 hexadecimal digits, or a UUID once it
    // took a new one), and the id of its answer number: see Answer::id.
    QString computerId();
    QString answerId(qint64 number) const;

    // What the class's server knows this computer by (notebooksending.cpp):
    // a secret that goes with its id, made at first need.
    QString secret();
    // The ids this notebook had before, oldest first: a copied notebook
    // takes an id of its own once the copies part (takeNewComputerId), and
    // the answers from before stay on the server under the old one.
    QStringList formerIds();
    // A new random id and secret; the old id joins formerIds(), and every
    // mark of what was sent is reset, so that everything goes again under
    // the new id (the server keeps once what it holds under a former one).
    bool takeNewComputerId();
    // The children this notebook knows, by their name with case ignored.
    std::optional<QStringList> childKeys();
    // Runs work, whose writes are then committed together or not at all:
    // a reader sees all of them or none. work returns false on a failure.
    bool inOneTransaction(const std::function<bool()> &work);
    // A teacher's erase as the class's server tells this computer: these
    // numbers of its own answers are gone. A child left with no answer goes
    // with them.
    bool eraseNumbers(const QList<qint64> &numbers);
    // A teacher's rename, brought from the class's server: the answers of
    // fromKey are the child toName's (toKey), with theirs if any.
    bool renameChild(const QString &fromKey, const QString &toKey, const QString &toName);
    // The tables the teacher assigned to the class, as this computer last
    // heard them from the server ("7,9 2027-01-15"); empty for none.
    QString lastAssignment() { return meta(QStringLiteral("assignment")); }
    bool setLastAssignment(const QString &assignment);
    // The tables assigned to this child (their own, or else the class's),
    // as last heard: "-" when none holds for them, empty when the server
    // has not said yet (the class's hold then).
    QString childAssignment(const QString &child);
    // The time of the child's contests, one of ContestMinutesChoices
    // (notebooksettings.cpp).
    int contestMinutes(const QString &child);
    bool setContestMinutes(const QString &child, int minutes);
    bool setChildAssignment(const QString &childKey, const QString &assignment);
    // The class list's names, as this computer last heard them.
    QStringList lastClassList()
    {
        return meta(QStringLiteral("class_list")).split(u'\n', Qt::SkipEmptyParts);
    }
    bool setLastClassList(const QStringList &names);
    // The class's settings and every child's, read at once.
    std::optional<NotebookSettings> settings();
    // Whether the child has played with the keypad on the screen on this
    // computer (false too when the notebook cannot be read). Kept under a
    // key of the child's own in the meta table, which programs from before
    // the keypad pass over; it goes with the child when the child is renamed
    // or erased.
    bool usesKeypad(const QString &child);
    bool setUsesKeypad(const QString &child);

    // The name a child goes by: trimmed, unless nothing but blanks is left;
    // "Amico" when nothing was typed.
    static QString shownName(const QString &typed);
    // The key a child is known by, here and on the class's server: the name
    // shown, case ignored, blanks inside it run together ("anna maria" for
    // "Anna  Maria").
    static QString childKey(const QString &typed);

private:
    bool fail(NotebookReason reason, const QSqlError &error);
    // Runs the query (prepared and bound, or sql): false, with reason, when
    // it fails. The one way a statement is run and its failure reported.
    bool run(QSqlQuery &query, NotebookReason reason, const QString &sql = QString());
    bool refuse(NotebookReason reason, const QStringList &values);
    bool insert(const Answer &answer);
    // The queries, prepared and bound, in one transaction; reason: what a
    // failure is (NotErased, NotWritten).
    bool runAll(std::initializer_list<QSqlQuery *> queries, NotebookReason reason);

    QString m_path;
    NotebookProblem m_problem;
    NotebookProblem m_setAside;
    std::unique_ptr<NotebookFile> m_file;
    QString meta(const QString &key);
    bool setMeta(const QString &key, const QString &value);
    // A child's own settings in meta, each under "setting:child key"
    // (notebooksettings.cpp): they go with the child when erased or renamed.
    static constexpr const char *ChildSettings[] = { "assignment", "minutes", "keypad" };
    QString childMeta(const char *setting, const QString &child);
    bool setChildMeta(const char *setting, const QString &child, const QString &value);
    // A statement over every setting of one child: its text with "IN (?, ?, ?)"
    // as the last placeholders, bound to the child's keys.
    void bindChildSettings(QSqlQuery &query, const QString &childKey);
    QString m_computerId;
    bool m_checkWholeFile;
    bool m_numberIndexed = false;
    // Within inOneTransaction, whose BEGIN and COMMIT hold for every write.
    bool m_inTransaction = false;
};

} // namespace Zentovia
