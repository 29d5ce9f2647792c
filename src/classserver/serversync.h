#pragma once

#include <QString>

#include <functional>

namespace Zentovia {

class ClassDatabase;
class Notebook;

// Sends a computer's notebook to the class's database: the answers it does
// not have yet, in number order, a batch at a time. Each batch is one INSERT
// statement, and so one transaction; the server keeps one row per answer
// (its computer and number) and lets a second copy go, so a batch sent again
// after a crash or a lost reply adds nothing. The notebook's mark of what
// was sent moves only once the server has committed.
class ServerSync
{
public:
    explicit ServerSync(int batchSize = 1000);

    // Blocks until everything is sent or something fails; the number sent,
    // or -1 with *why in Italian. committed(total) follows each batch.
    qint64 send(Notebook &notebook, ClassDatabase &database, QString *why,
        const std::function<void(qint64 total)> &committed = {});

private:
    QByteArray statement(int rows);

    int m_batchSize;
    int m_statementRows = -1;
    QByteArray m_statement;
};

} // namespace Zentovia
