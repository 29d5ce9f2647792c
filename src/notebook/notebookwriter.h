#pragma once

#include "core/workthread.h"
#include "learning/answer.h"
#include "notebook/notebookproblem.h"

#include <QObject>
#include <QString>

#include <memory>

namespace Zentovia {

class Notebook;

// The one owner of the notebook's file in a program: it opens the file once,
// on a thread of its own, and every read and write of it is a job run there
// in turn, so that no window opens the file or waits on it. It stores the
// answers, and whether a child plays with the keypad on the screen; ask()
// and read() run any other work and bring its result back. The notebook is
// opened at the first job that needs it. Answers handed over before the
// writer is destroyed are all written first.
class NotebookWriter : public QObject
{
    Q_OBJECT

public:
    // checkWholeFile: every page of the file is checked as it is opened (a
    // quarter of a second on a million answers), before answers are added
    // to it; a program that adds none checks its tables' list alone.
    explicit NotebookWriter(
        const QString &path, QObject *parent = nullptr, bool checkWholeFile = true);
    ~NotebookWriter() override;

    const QString &path() const { return m_path; }

    // Returns at once; the answer is written in the background.
    void add(const Answer &answer);
    // Whether the child has played with the keypad on the screen here
    // before: keypadUsedBefore() comes back if so. A notebook not begun yet
    // is not begun for this.
    void askKeypad(const QString &child);
    // The child has played with it. Kept as the answers are; an answer that
    // cannot be kept says why.
    void rememberKeypad(const QString &child);

    // work(Notebook &) on the notebook's thread, then done(what it gave) on
    // this object's thread, unless this object is gone by then.
    template<typename Work, typename Done>
    void ask(Work work, Done done)
    {
        m_thread.run(
            [onThread = m_onThread, work = std::move(work)]() mutable {
                return work(*notebook(*onThread, true));
            },
            std::move(done));
    }
    // The same with work(Notebook *), given nullptr when there is no
    // notebook yet: a notebook not begun is not begun for a read.
    template<typename Work, typename Done>
    void read(Work work, Done done)
    {
        m_thread.run(
            [onThread = m_onThread, work = std::move(work)]() mutable {
                return work(notebook(*onThread, false));
            },
            std::move(done));
    }

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
    // On the thread: the notebook, opened at need; with begin false,
    // nullptr when its file is not there and not opened yet.
    static Notebook *notebook(OnThread &onThread, bool begin);
    QString m_path;
    std::shared_ptr<OnThread> m_onThread; // used by the jobs only
    WorkThread m_thread;
};

} // namespace Zentovia
