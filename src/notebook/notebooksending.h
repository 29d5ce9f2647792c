#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace Zentovia {

class NotebookConnection;
struct StoredAnswer;

// What the notebook sends to the class's database on the school's server
// (see ClassSender), and what comes back: what this computer is known by,
// how far its answers were sent, and the teacher's erases and renames.
// Part of a Notebook, on its connection (notebooksending.cpp).
class NotebookSending
{
public:
    explicit NotebookSending(NotebookConnection &connection);

    // The answers are sent in number order, and the mark of what a database
    // (known by its random id) has is the highest number it holds, 0 when
    // none. The mark never moves back.
    std::optional<qint64> sentUpTo(const QString &databaseId);
    bool markSent(const QString &databaseId, qint64 number);
    // At most limit answers numbered after `after`, in number order, under
    // the child's name as last typed.
    std::optional<QList<StoredAnswer>> answersAfter(qint64 after, int limit);

    // This notebook's random id (16 hexadecimal digits, or a UUID once it
    // took a new one), and the id of its answer number: see Answer::id.
    QString computerId();
    QString answerId(qint64 number) const;
    // A secret that goes with the id, made at first need.
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
    // A teacher's erase as the class's server tells this computer: these
    // numbers of its own answers are gone. A child left with no answer goes
    // with them.
    bool eraseNumbers(const QList<qint64> &numbers);
    // A teacher's rename, brought from the class's server: the answers of
    // fromKey are the child toName's (toKey), with theirs if any.
    bool renameChild(const QString &fromKey, const QString &toKey, const QString &toName);

private:
    NotebookConnection &m_connection;
    QString m_computerId;
    bool m_numberIndexed = false;
};

} // namespace Zentovia
