#pragma once

#include "learning/answer.h"
#include "notebook/notebookproblem.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>

#include <memory>

namespace Zentovia {

// The notebook's SQLite file on a connection of its own: made when missing,
// laid out or migrated to this program's version, moved aside (never
// deleted) when it is no database. A file of a later version of the program
// is not opened, and not written.
class NotebookFile
{
public:
    // How much of a file is checked when it is opened: its tables' list,
    // which every statement needs (at once), or every page of it (a
    // quarter of a second on a million answers: for the writer's thread).
    enum class Check { Schema, WholeFile };

    // nullptr when the file cannot be opened, with *problem saying why. A
    // damaged file is set aside and a new one begun: the file is returned,
    // and *problem says SetAside.
    static std::unique_ptr<NotebookFile> open(
        const QString &path, NotebookProblem *problem, Check check = Check::Schema);
    // A mode as the answers' table stores it.
    static Mode modeOf(int stored)
    {
        return stored == int(Mode::Practice) ? Mode::Practice : Mode::Contest;
    }
    // What SQLite says went wrong, as reason.
    static NotebookProblem sqliteProblem(
        NotebookReason reason, const QString &path, const QSqlError &error);

    ~NotebookFile();
    NotebookFile(const NotebookFile &) = delete;
    NotebookFile &operator=(const NotebookFile &) = delete;

    QSqlDatabase &database() { return m_database; }
    bool exec(const char *sql, QSqlError *error);

    // Prepared once: a bulk writer adds a million answers through them.
    QSqlQuery &upsertChild() { return m_upsertChild; }
    QSqlQuery &nextNumber() { return m_nextNumber; }
    QSqlQuery &insertAnswer() { return m_insertAnswer; }

private:
    enum class Opening { Opened, Failed, NotADatabase };

    explicit NotebookFile(const QString &path);
    Opening connect(NotebookProblem *problem, Check check);
    // found: the file's version, read as it was opened.
    Opening setUp(int found, NotebookProblem *problem);
    // Made or migrated to this version, under the write lock.
    bool layOut(NotebookProblem *problem);
    // The children's keys with blanks inside them as the program now makes
    // them (a step of layOut).
    bool rekeyChildren(QSqlError *error);
    static bool moveAside(const QString &path, NotebookProblem *problem);

    QString m_path;
    QString m_name;
    QSqlDatabase m_database;
    QSqlQuery m_upsertChild;
    QSqlQuery m_nextNumber;
    QSqlQuery m_insertAnswer;
};

} // namespace Zentovia
