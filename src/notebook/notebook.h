#pragma once

#include "learning/answer.h"
#include "learning/factstate.h"
#include "notebook/childsettings.h"
#include "notebook/notebookconnection.h"
#include "notebook/notebookproblem.h"
#include "notebook/notebooksending.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace Zentovia {

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
// It holds the answers; each child's settings (settings()) and what is sent
// to the class's server (sending()) are parts of it, on its one connection.
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

    const QString &path() const { return m_connection.path(); }
    // The last problem met, by any part of the notebook.
    const NotebookProblem &problem() const { return m_connection.problem(); }
    // Once, after the first operation: the file found was no notebook, and
    // was set aside (SetAside, with its new name) for a new one.
    NotebookProblem takeSetAside() { return m_connection.takeSetAside(); }

    // Every operation opens the file when it is not yet open.
    bool open() { return m_connection.open(); }
    // Stored and committed on its own before it returns true.
    bool add(const Answer &answer);
    // All or none, in one transaction: for bulk writers such as imports.
    bool add(const QList<Answer> &answers);

    // The most recently active first.
    std::optional<QList<Child>> children();
    // Oldest first (in the order they were written), under the child's name
    // as last typed.
    std::optional<QList<Answer>> answers(const QString &child);
    // The child's answers and entry, and settings, for good.
    bool erase(const QString &child);
    // Every fact of the child, with the child's time for a fact.
    std::optional<FactGrid> grid(const QString &child);
    // Every answer of every child, oldest first; visit returns false to stop.
    bool forEachAnswer(const std::function<bool(const StoredAnswer &)> &visit);
    // Runs work, whose writes (of any part) are then committed together or
    // not at all: a reader sees all of them or none. work returns false on a
    // failure.
    bool inOneTransaction(const std::function<bool()> &work)
    {
        return m_connection.inOneTransaction(work);
    }

    // Each child's settings, and the class's as last heard.
    ChildSettings &settings() { return m_settings; }
    // What is sent to the class's server, and what comes back.
    NotebookSending &sending() { return m_sending; }

    // The name a child goes by: trimmed, unless nothing but blanks is left;
    // "Amico" when nothing was typed.
    static QString shownName(const QString &typed);
    // The key a child is known by, here and on the class's server: the name
    // shown, case ignored, blanks inside it run together ("anna maria" for
    // "Anna  Maria").
    static QString childKey(const QString &typed);

private:
    bool insert(const Answer &answer);

    NotebookConnection m_connection;
    ChildSettings m_settings;
    NotebookSending m_sending;
};

} // namespace Zentovia
