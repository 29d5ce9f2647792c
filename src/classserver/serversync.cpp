#include "classserver/serversync.h"

#include "classserver/classdatabase.h"
#include "notebook/notebook.h"

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

constexpr int Columns = 12;

QByteArray number(qint64 value)
{
    return QByteArray::number(value);
}

} // namespace

ServerSync::ServerSync(int batchSize)
    : m_batchSize(std::clamp(batchSize, 1, 65535 / Columns))
{ }

QByteArray ServerSync::statement(int rows)
{
    if (rows == m_statementRows)
        return m_statement;
    QByteArray sql = "INSERT INTO zentovia_answers (computer, number, child_key, child,"
                     " times_table, multiplier, at, utc_offset, typed, outcome, tenths, mode)"
                     " VALUES ";
    for (int row = 0; row < rows; ++row) {
        const int p = row * Columns;
        sql += row ? ",($" : "($";
        sql += number(p + 1);
        for (int column = 2; column <= Columns; ++column) {
            // The local clock's seconds, read as UTC: the wall time, whatever
            // the session's time zone.
            if (column == 7)
                sql += ",to_timestamp($" + number(p + 7) + ") AT TIME ZONE 'UTC'";
            else
                sql += ",$" + number(p + column);
        }
        sql += ')';
    }
    sql += " ON CONFLICT (computer, number) DO NOTHING";
    m_statementRows = rows;
    m_statement = sql;
    return sql;
}

qint64 ServerSync::send(Notebook &notebook, ClassDatabase &database, QString *why,
    const std::function<void(qint64 total)> &committed)
{
    const QString databaseId = database.databaseId();
    std::optional<qint64> mark = notebook.sentUpTo(databaseId);
    const QByteArray computer = notebook.computerId().toUtf8();
    if (!mark || computer.isEmpty()) {
        *why = notebook.problem();
        return -1;
    }
    qint64 total = 0;
    QList<QByteArray> params;
    for (;;) {
        const std::optional<QList<StoredAnswer>> answers
            = notebook.answersAfter(*mark, m_batchSize);
        if (!answers) {
            *why = notebook.problem();
            return -1;
        }
        if (answers->isEmpty())
            return total;
        params.clear();
        params.reserve(answers->size() * Columns);
        for (const StoredAnswer &answer : *answers) {
            params << computer << number(answer.number)
                   << Notebook::shownName(answer.child).toCaseFolded().toUtf8()
                   << answer.child.toUtf8() << number(answer.table) << number(answer.multiplier)
                   << number(answer.wallSeconds) << number(answer.utcOffset)
                   << (answer.typed.isNull() ? QByteArray("") : answer.typed.toUtf8())
                   << number(int(answer.outcome)) << number(answer.tenths)
                   << modeName(answer.mode).toUtf8();
        }
        if (!database.connection().exec(statement(int(answers->size())), params, why))
            return -1;
        // Committed: only now is the mark moved. Should it fail, the batch
        // is sent again later and the server lets it go.
        if (!notebook.markSent(databaseId, answers->last().number)) {
            *why = notebook.problem();
            return -1;
        }
        *mark = answers->last().number;
        total += answers->size();
        if (committed)
            committed(total);
    }
}

} // namespace Zentovia
