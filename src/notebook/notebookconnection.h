#pragma once

#include "notebook/notebookproblem.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>
#include <memory>

class QSqlDatabase;
class QSqlError;
class QSqlQuery;

namespace Zentovia {

class NotebookFile;

// The notebook's one connection to its file, which the answers, the
// children's settings and what is sent share: the file opened at the first
// operation, the last problem met, and the one way a statement is run and
// its failure reported. One instance is used by one thread.
class NotebookConnection
{
public:
    NotebookConnection(const QString &path, bool checkWholeFile);
    ~NotebookConnection();
    NotebookConnection(const NotebookConnection &) = delete;
    NotebookConnection &operator=(const NotebookConnection &) = delete;

    const QString &path() const { return m_path; }
    const NotebookProblem &problem() const { return m_problem; }
    // Once, after the first operation: the file found was no notebook, and
    // was set aside (SetAside, with its new name) for a new one.
    NotebookProblem takeSetAside();

    // Opens the file when it is not yet open.
    bool open();
    // After open().
    NotebookFile &file() { return *m_file; }
    QSqlDatabase &database();

    // Runs the query (prepared and bound, or sql): false, with reason, when
    // it fails.
    bool run(QSqlQuery &query, NotebookReason reason, const QString &sql = QString());
    // Runs sql on the file: false, with reason, when it fails.
    bool run(const char *sql, NotebookReason reason);
    // false, with SQLite's error for reason.
    bool fail(NotebookReason reason, const QSqlError &error);
    // false: values refused for reason.
    bool refuse(NotebookReason reason, const QStringList &values);
    // The queries, prepared and bound, in one transaction (or in the one
    // running); reason: what a failure is.
    bool runAll(std::initializer_list<QSqlQuery *> queries, NotebookReason reason);
    // Runs work, whose writes are then committed together or not at all: a
    // reader sees all of them or none. work returns false on a failure.
    bool inOneTransaction(const std::function<bool()> &work);

    // A value of the notebook's meta table: empty when none, or unread.
    QString meta(const QString &key);
    bool setMeta(const QString &key, const QString &value);

private:
    QString m_path;
    bool m_checkWholeFile;
    NotebookProblem m_problem;
    NotebookProblem m_setAside;
    std::unique_ptr<NotebookFile> m_file;
    // Within inOneTransaction, whose BEGIN and COMMIT hold for every write.
    bool m_inTransaction = false;
};

} // namespace Zentovia
