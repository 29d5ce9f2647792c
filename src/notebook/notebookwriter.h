#pragma once

#include "notebook/answer.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <memory>

namespace Zentovia {

class Notebook;

// Stores the answers on a thread of its own, so that writing one never holds
// up the window. The notebook is opened there at the first answer. Answers
// handed over before the writer is destroyed are all written first.
class NotebookWriter : public QObject
{
    Q_OBJECT

public:
    explicit NotebookWriter(const QString &path, QObject *parent = nullptr);
    ~NotebookWriter() override;

    // Returns at once; the answer is written in the background.
    void add(const Answer &answer);

Q_SIGNALS:
    // The first problem only, in Italian: the contest goes on regardless.
    void problem(const QString &sentence);

private:
    void store(const Answer &answer);

    QString m_path;
    QThread m_thread;
    QObject m_onThread; // lives on m_thread: the target of the queued calls
    std::unique_ptr<Notebook> m_notebook; // used on m_thread only
    bool m_reported = false; // on m_thread only
};

} // namespace Zentovia
