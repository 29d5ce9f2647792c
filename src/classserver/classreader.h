#pragma once

#include "classserver/classproblem.h"
#include "learning/answer.h"
#include "learning/factstate.h"
#include "notebook/notebook.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace Zentovia {

class ClassDatabase;

// The class's notebook as the school's server holds it: what Notebook gives
// for one computer, for every computer of the class. Children are told apart
// by their name with case ignored, whichever computer they used.
//
// Each call waits for the server, for at most the limit given (a query that
// streams rows, for each wait between them), or until stopFd becomes
// readable. When the server cannot be reached it returns so, with problem()
// saying why; the program then shows this computer's notebook and says so. One instance is used by
// one thread: a window reads through ClassQueries, on a thread of its own.
class ClassReader
{
public:
    explicit ClassReader(const QString &connection, int waitMs = 5000, int stopFd = -1);
    ~ClassReader();
    ClassReader(const ClassReader &) = delete;
    ClassReader &operator=(const ClassReader &) = delete;

    // The last problem met.
    const ClassProblem &problem() const { return m_problem; }
    const QString &connection() const { return m_connection; }

    // Every call connects when not connected.
    bool open();
    // Whether the login is the class's teacher's, who reads the whole class;
    // the children's computers read one child at a time. After open().
    bool isTeacher() const { return m_teacher; }
    // The database reached, after open(); for the readers beside this one.
    ClassDatabase *database() { return m_database.get(); }
    // Says why a read beside this one failed, as the reader's own do.
    bool failed(const ClassProblem &why) { return fail(why); }

    // With waiting (the teacher's calls below), this computer's notebook:
    // its answers not on the server yet are read with the server's, as they
    // will be there once sent.

    // The teacher's: the most recently active first, across every computer.
    std::optional<QList<Child>> children(Notebook *waiting = nullptr);
    // Oldest first, under the child's name as last typed; with unsentFrom,
    // also that notebook's answers of the child not on the server yet (what
    // the ripasso reads on a computer that sends its answers). The teacher's
    // login, or any with the child's picture code (code): with none, the
    // children's login reads the notebook's answers alone.
    std::optional<QList<Answer>> answers(
        const QString &child, Notebook *unsentFrom = nullptr, const QString &code = QString());
    // Whether code ("123" to "999") is the child's: a wrong one counts among
    // the ten an hour the server checks (problem() says when they are over).
    std::optional<bool> codeIsRight(const QString &child, const QString &code);
    // The teacher's: the child's new picture code, in place of the old one.
    bool setCode(const QString &child, const QString &code);
    // The teacher's: erases the child's answers on the server, and on every
    // computer of the class as each reaches it (the children's login may
    // not: the problem then says so). Done when it returns true; otherwise
    // never done later: the server refuses it past the wait.
    bool erase(const QString &child);
    // The child's time for a fact as the teacher set it, or otherwise (the
    // children's login reads it with the child's code only).
    std::optional<int> factSeconds(
        const QString &child, int otherwise, const QString &code = QString());
    // The time of the child's contests as the teacher set it, or otherwise;
    // and the teacher's setting it.
    std::optional<int> contestMinutes(
        const QString &child, int otherwise, const QString &code = QString());
    // With the child's code: the child's settings from the server into that
    // notebook (the time for a fact, the contest's, the tables for the week).
    bool bringSettings(const QString &child, const QString &code, Notebook &into);
    bool setContestMinutes(const QString &child, int minutes);
    // The teacher's: the child's time for a fact, for every computer.
    bool setFactSeconds(const QString &child, int seconds);
    // The teacher's: every fact of the child, with the child's time for a
    // fact.
    std::optional<FactGrid> grid(
        const QString &child, int factSeconds, Notebook *waiting = nullptr);
    // The teacher's: every answer of every child, oldest first, for the
    // export; visit returns false to stop. StoredAnswer::number is the
    // answer's number on its own computer.
    bool forEachAnswer(
        const std::function<bool(const StoredAnswer &)> &visit, Notebook *waiting = nullptr);
    // How many of that notebook's answers are not on the server yet.
    std::optional<qint64> waitingCount(Notebook &local);

private:
    bool fail(const ClassProblem &why);
    std::optional<QList<StoredAnswer>> unsent(Notebook *local);
    // A child's setting the teacher chose, by its query ($1: the child);
    // and setting it ($2: the value).
    std::optional<int> setting(
        const char *sql, const QString &child, const QString &code, int otherwise);
    bool setSetting(
        const char *sql, const QString &child, const QByteArray &value, ClassReason teachersOnly);

    QString m_connection;
    int m_waitMs;
    int m_stopFd;
    bool m_teacher = false;
    ClassProblem m_problem;
    std::unique_ptr<ClassDatabase> m_database;
};

} // namespace Zentovia
