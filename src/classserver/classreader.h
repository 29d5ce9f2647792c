#pragma once

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
// saying why in Italian; the program then shows this computer's notebook and
// says so. One instance is used by one thread: a window reads through
// ClassQueries, on a thread of its own.
class ClassReader
{
public:
    explicit ClassReader(const QString &connection, int waitMs = 5000, int stopFd = -1);
    ~ClassReader();
    ClassReader(const ClassReader &) = delete;
    ClassReader &operator=(const ClassReader &) = delete;

    // "Non riesco a leggere l'archivio della classe («...»): <why>."
    const QString &problem() const { return m_problem; }

    // Every call connects when not connected.
    bool open();
    // The most recently active first, across every computer.
    std::optional<QList<Child>> children();
    // Oldest first, under the child's name as last typed; with unsentFrom,
    // also that notebook's answers of the child not on the server yet (what
    // the ripasso reads on a computer that sends its answers).
    std::optional<QList<Answer>> answers(const QString &child, Notebook *unsentFrom = nullptr);
    // Erases the child's answers on the server: the teacher's role may, the
    // children's may not (the problem then says so).
    bool erase(const QString &child);
    // Every fact of the child, with the child's time for a fact.
    std::optional<FactGrid> grid(const QString &child, int factSeconds);
    // Every answer of every child, oldest first, for the export; visit
    // returns false to stop. StoredAnswer::number is the answer's number on
    // its own computer.
    bool forEachAnswer(const std::function<bool(const StoredAnswer &)> &visit);

private:
    bool fail(const QString &why);

    QString m_connection;
    int m_waitMs;
    int m_stopFd;
    QString m_problem;
    std::unique_ptr<ClassDatabase> m_database;
};

} // namespace Zentovia
