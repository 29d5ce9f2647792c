#include "classserver/serversync.h"

#include "classserver/classdatabase.h"
#include "classserver/classlist.h"
#include "learning/localclock.h"
#include "notebook/notebook.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <functional>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

// A list of names as a PostgreSQL text[] literal.
QByteArray textArray(const QStringList &items)
{
    QByteArray out = "{";
    for (const QString &item : items) {
        if (out.size() > 1)
            out += ',';
        out += '"';
        for (const char c : item.toUtf8()) {
            if (c == '"' || c == '\\')
                out += '\\';
            out += c;
        }
        out += '"';
    }
    return out + '}';
}

QByteArray answersJson(const QList<StoredAnswer> &answers)
{
    QJsonArray rows;
    for (const StoredAnswer &answer : answers) {
        rows.append(QJsonObject {
            { u"number"_s, answer.number },
            { u"child_key"_s, Notebook::shownName(answer.child).toCaseFolded() },
            { u"child"_s, answer.child },
            { u"times_table"_s, answer.table },
            { u"multiplier"_s, answer.multiplier },
            // The local clock's time as it read it, whatever the server's
            // time zone.
            { u"at"_s, LocalClock::fromWallSeconds(answer.wallSeconds).toString(Qt::ISODate) },
            { u"utc_offset"_s, answer.utcOffset },
            { u"typed"_s, answer.typed.isNull() ? u""_s : answer.typed },
            { u"outcome"_s, int(answer.outcome) },
            { u"tenths"_s, answer.tenths },
            { u"mode"_s, modeName(answer.mode) },
        });
    }
    return QJsonDocument(rows).toJson(QJsonDocument::Compact);
}

} // namespace

ServerSync::ServerSync(int batchSize)
    : m_batchSize(std::clamp(batchSize, 1, 10000))
{ }

bool ServerSync::bringDecisions(Notebook &notebook, ClassDatabase &database, ClassProblem *why)
{
    // The class's tables for the week, for the next contest or ripasso.
    const std::optional<Assignment> assigned = ClassList::assignmentFor(database, QString(), why);
    if (!assigned && *why)
        return false;
    const QString assignment = assigned ? ClassList::toText(*assigned) : QString();
    if (notebook.lastAssignment() != assignment && !notebook.setLastAssignment(assignment)) {
        *why = ClassProblem::of(notebook.problem());
        return false;
    }
    // The class list, for the name box.
    const std::optional<QStringList> classList = ClassList::names(database, why);
    if (!classList)
        return false;
    if (notebook.lastClassList() != *classList && !notebook.setLastClassList(*classList)) {
        *why = ClassProblem::of(notebook.problem());
        return false;
    }
    const std::optional<QStringList> keys = notebook.childKeys();
    if (!keys) {
        *why = ClassProblem::of(notebook.problem());
        return false;
    }
    if (keys->isEmpty())
        return true;
    PgConnection &server = database.connection();
    // Each row of a query on the children's keys, kept in the notebook;
    // false, with *why, when the server or the notebook fails.
    const auto keep = [&](const char *sql, const QStringList &children,
                          const std::function<bool(const PGresult *, int)> &row) {
        const PgResult rows = server.exec(sql, { textArray(children) }, why);
        if (!rows)
            return false;
        for (int n = 0; n < PQntuples(rows.get()); ++n) {
            if (!row(rows.get(), n)) {
                *why = ClassProblem::of(notebook.problem());
                return false;
            }
        }
        return true;
    };
    // The names the teacher joined to others: this computer's answers move
    // with them.
    QStringList current = *keys;
    const bool renamed
        = keep("SELECT child_key, new_key, new_name FROM zentovia_renames($1::text[])", *keys,
            [&](const PGresult *rows, int n) {
                const QString from = PgConnection::text(rows, n, 0);
                const QString to = PgConnection::text(rows, n, 1);
                current.removeAll(from);
                if (!current.contains(to))
                    current << to;
                return notebook.renameChild(from, to, PgConnection::text(rows, n, 2));
            });
    return renamed
        && keep("SELECT child_key, erased FROM zentovia_erases($1::text[])", current,
            [&](const PGresult *rows, int n) {
                return notebook.eraseUpTo(
                    PgConnection::text(rows, n, 0), PgConnection::number(rows, n, 1));
            })
        // Each child's tables for the week (their own, or else the class's).
        && keep("SELECT k, array_to_string(a.tables, ',') || ' ' || a.until"
                " FROM unnest($1::text[]) k LEFT JOIN LATERAL zentovia_assignment(k) a ON true",
            current,
            [&](const PGresult *rows, int n) {
                const QString child = PgConnection::text(rows, n, 0);
                const std::optional<Assignment> own
                    = ClassList::fromText(PgConnection::text(rows, n, 1));
                const QString text = own ? ClassList::toText(*own) : u"-"_s;
                return notebook.childAssignment(child) == text
                    || notebook.setChildAssignment(child, text);
            })
        && keep("SELECT child_key, contest_minutes FROM zentovia_contest_minutes($1::text[])",
            current,
            [&](const PGresult *rows, int n) {
                const QString child = PgConnection::text(rows, n, 0);
                const int minutes = int(PgConnection::number(rows, n, 1));
                return notebook.contestMinutes(child) == minutes
                    || notebook.setContestMinutes(child, minutes);
            })
        && keep("SELECT child_key, fact_seconds FROM zentovia_facts_seconds($1::text[])", current,
            [&](const PGresult *rows, int n) {
                const QString child = PgConnection::text(rows, n, 0);
                const int seconds = int(PgConnection::number(rows, n, 1));
                return notebook.factSeconds(child) == seconds
                    || notebook.setFactSeconds(child, seconds);
            });
}

std::optional<qint64> ServerSync::send(Notebook &notebook, ClassDatabase &database,
    ClassProblem *why, const std::function<void(qint64 total)> &committed,
    const std::function<void(const QString &was, const QString &now)> &copied)
{
    if (!bringDecisions(notebook, database, why))
        return std::nullopt;
    const QString databaseId = database.databaseId();
    qint64 total = 0;
    bool tookNewId = false;
    for (;;) {
        const std::optional<qint64> mark = notebook.sentUpTo(databaseId);
        const QByteArray computer = notebook.computerId().toUtf8();
        const QByteArray secret = notebook.secret().toUtf8();
        const std::optional<QList<StoredAnswer>> answers
            = mark ? notebook.answersAfter(*mark, m_batchSize) : std::nullopt;
        if (!answers || computer.isEmpty() || secret.isEmpty()) {
            *why = ClassProblem::of(notebook.problem());
            return std::nullopt;
        }
        if (answers->isEmpty())
            return total;
        const PgResult clashes
            = database.connection().exec("SELECT zentovia_add($1, $2, $3::text[], $4::jsonb)",
                { computer, secret, textArray(notebook.formerIds()), answersJson(*answers) }, why);
        if (!clashes)
            return std::nullopt;
        if (PgConnection::text(clashes.get(), 0, 0) != u"{}") {
            // Numbers the server holds for this id with other content: this
            // notebook is a copy of another. Once, with an id of its own.
            if (tookNewId) {
                *why = ClassProblem::of(ClassReason::CopyClash);
                return std::nullopt;
            }
            tookNewId = true;
            const QString was = QString::fromUtf8(computer);
            if (!notebook.takeNewComputerId()) {
                *why = ClassProblem::of(notebook.problem());
                return std::nullopt;
            }
            if (copied)
                copied(was, notebook.computerId());
            continue;
        }
        // Committed: only now is the mark moved. Should it fail, the batch
        // is sent again later and the server lets it go.
        if (!notebook.markSent(databaseId, answers->last().number)) {
            *why = ClassProblem::of(notebook.problem());
            return std::nullopt;
        }
        total += answers->size();
        if (committed)
            committed(total);
    }
}

} // namespace Zentovia
