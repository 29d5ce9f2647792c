#pragma once

#include "classserver/classproblem.h"

#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <optional>

#include <QList>
#include <QStringList>

#include <optional>

namespace Zentovia {

class ClassDatabase;
class Notebook;

// A child's settings as zentovia_child_settings gives them as text (the time
// for a fact, the contest's, the tables and their day; each empty when not
// chosen), kept in the notebook; false when the notebook fails.
bool keepChildSettings(Notebook &notebook, const QString &child, const QStringList &settings);

// Brings a computer's notebook and the class's database together:
// - first, once a round (see decisionsEveryMs), what the teacher decided,
//   into the notebook: the class's tables
//   for the week, the class list, the names joined to others, the numbers
//   of this computer's answers erased, and (on the teacher's login, which
//   reads a child with no code) each child's settings;
// - then the answers the server does not have yet, in number order, a batch
//   at a time, each batch one call of zentovia_add and so one transaction.
//   The server keeps one row per answer (its computer and number), so a
//   batch sent again after a crash or a lost reply adds nothing. The
//   notebook's mark of what was sent moves only once the server committed.
// A notebook copied to another computer carries the same id: when the
// server holds one of its numbers with other content, this copy takes an id
// of its own and sends again everything the server does not hold as it is
// (see NotebookSending::takeNewComputerId); nothing of either copy is lost.
class ServerSync
{
public:
    // decisionsEveryMs: the teacher's decisions are brought at the first
    // send, then at a send once this long has passed since (0: at each).
    explicit ServerSync(int batchSize = 1000, int decisionsEveryMs = 0);

    // Blocks until everything is sent or something fails; the number sent,
    // or nullopt with *why. committed(total) follows each batch; copied(was,
    // now) says that this notebook was found to be a copy, and took the id
    // now for the id was.
    std::optional<qint64> send(Notebook &notebook, ClassDatabase &database, ClassProblem *why,
        const std::function<void(qint64 total)> &committed = {},
        const std::function<void(const QString &was, const QString &now)> &copied = {});

private:
    bool bringDecisions(Notebook &notebook, ClassDatabase &database, ClassProblem *why);
    // The numbers of this computer's answers erased; and dropped here too.
    std::optional<QList<qint64>> erasedNumbers(
        Notebook &notebook, ClassDatabase &database, ClassProblem *why);
    bool bringErased(Notebook &notebook, ClassDatabase &database, ClassProblem *why);

    int m_batchSize;
    int m_decisionsEveryMs;
    QElapsedTimer m_decided; // since the decisions were last brought
};

} // namespace Zentovia
