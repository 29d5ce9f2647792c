#pragma once

#include "core/workthread.h"
#include "learning/answer.h"
#include "notebook/notebookproblem.h"

#include <QObject>
#include <QString>

#include <memory>

namespace Zentovia {

class Notebook;

// Stores the answers on a thread of its own, so that writing one never holds
// up the window; and whether a child plays with the keypad on the screen. The notebook is opened
// there at the first answer. Answers handed over before the writer is destroyed are all written
// first.
class NotebookWriter : public QObject
{
    Q_OBJECT

public:
    explicit NotebookWriter(const QString &path, QObject *parent = nullptr);
    ~NotebookWriter() override;

    // Returns at once; the answer is written in the background.
    void add(const Answer &answer);
    // Whether the child has played with the keypad on the screen here
    // before: keypadUsedBefore() comes back if so. A notebook not begun yet
    // is not begun for this.
    void askKeypad(const QString &child);
    // The child has played with it. Kept as the answers are; an answer that
    // cannot be kept says why.
    void rememberKeypad(const QString &child);

Q_SIGNALS:
    // An answer is committed to the notebook: whoever sends the notebook on
    // may read it now.
    void stored();
    // The first problem only: the contest goes on regardless. Also a file
    // that was no notebook, set aside for a new one (SetAside).
    void problem(const NotebookProblem &problem);
    // The child named in askKeypad() has played with the keypad here.
    void keypadUsedBefore();

private:
    struct OnThread;
    std::shared_ptr<OnThread> m_onThread; // used by the jobs only
    WorkThread m_thread;
};

} // namespace Zentovia
