#include "classserver/serversync.h"

#include "classserver/classdatabase.h"
#include "classserver/classlist.h"
#include "learning/localclock.h"
#include "notebook/notebook.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <functional>
#include <utility>

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
            { u"child_key"_s, Notebook::childKey(answer.child) },
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

bool ServerSync::bringDecisions(Notebook &notebook, ClassDatabase &database, QString *why)
{
    // Everything is read from the server first, and then kept in the
    // notebook in one transaction: a round that ends half way (the server
    // gone, the program closing) keeps none of it, and a contest that reads
    // the notebook meanwhile sees the teacher's decisions all or none.
    // The class's tables for the week, for the next contest or ripasso.
    const std::optional<Assignment> assigned = ClassList::assignmentFor(database, QString(), why);
    if (!assigned && !why->isEmpty())
        return false;
    const QString assignment = assigned ? ClassList::toText(*assigned) : QString();
    // The class list, for the name box.
    const std::optional<QStringList> classList = ClassList::names(database, why);
    if (!classList)
        return false;
    const std::optional<QStringList> keys = notebook.childKeys();
    if (!keys) {
        *why = notebook.problem();
        return false;
    }
    // Each child's decisions, as rows of text: a query on the children's
    // keys, read whole before anything is kept.
    using Rows = QList<QStringList>;
    PgConnection &server = database.connection();
    const auto read = [&](const char *sql, const QStringList &children, int columns, Rows *out) {
        if (children.isEmpty())
            return true;
        const PgResult rows = server.exec(sql, { textArray(children) }, why);
        if (!rows)
            return false;
        for (int n = 0; n < PQntuples(rows.get()); ++n) {
            QStringList row;
            for (int column = 0; column < columns; ++column)
                row << PgConnection::text(rows.get(), n, column);
            out->append(row);
        }
        return true;
    };
    // The names the teacher joined to others: this computer's answers move
    // with them, and the rest goes by the new names.
    Rows renames, erases, assignments, minutes, seconds;
    if (!read("SELECT child_key, new_key, new_name FROM zentovia_renames($1::text[])", *keys, 3,
            &renames))
        return false;
    QStringList current = *keys;
    for (const QStringList &row : std::as_const(renames)) {
        current.removeAll(row[0]);
        if (!current.contains(row[1]))
            current << row[1];
    }
    const bool readAll
        = read("SELECT child_key, erased FROM zentovia_erases($1::text[])", current, 2, &erases)
        // Each child's tables for the week (their own, or else the class's).
        && read("SELECT k, array_to_string(a.tables, ',') || ' ' || a.until"
                " FROM unnest($1::text[]) k LEFT JOIN LATERAL zentovia_assignment(k) a ON true",
            current, 2, &assignments)
        && read("SELECT child_key, contest_minutes FROM zentovia_contest_minutes($1::text[])",
            current, 2, &minutes)
        && read("SELECT child_key, fact_seconds FROM zentovia_facts_seconds($1::text[])", current,
            2, &seconds);
    if (!readAll)
        return false;
    const bool kept = notebook.inOneTransaction([&] {
        if (notebook.lastAssignment() != assignment && !notebook.setLastAssignment(assignment))
            return false;
        if (notebook.lastClassList() != *classList && !notebook.setLastClassList(*classList))
            return false;
        for (const QStringList &row : std::as_const(renames)) {
            if (!notebook.renameChild(row[0], row[1], row[2]))
                return false;
        }
        for (const QStringList &row : std::as_const(erases)) {
            if (!notebook.eraseUpTo(row[0], row[1].toLongLong()))
                return false;
        }
        for (const QStringList &row : std::as_const(assignments)) {
            const std::optional<Assignment> own = ClassList::fromText(row[1]);
            const QString text = own ? ClassList::toText(*own) : u"-"_s;
            if (notebook.childAssignment(row[0]) != text
                && !notebook.setChildAssignment(row[0], text))
                return false;
        }
        for (const QStringList &row : std::as_const(minutes)) {
            const int value = row[1].toInt();
            if (notebook.contestMinutes(row[0]) != value
                && !notebook.setContestMinutes(row[0], value))
                return false;
        }
        for (const QStringList &row : std::as_const(seconds)) {
            const int value = row[1].toInt();
            if (notebook.factSeconds(row[0]) != value && !notebook.setFactSeconds(row[0], value))
                return false;
        }
        return true;
    });
    if (!kept)
        *why = notebook.problem();
    return kept;
}

qint64 ServerSync::send(Notebook &notebook, ClassDatabase &database, QString *why,
    const std::function<void(qint64 total)> &committed,
    const std::function<void(const QString &sentence)> &copied)
{
    if (!bringDecisions(notebook, database, why))
        return -1;
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
            *why = notebook.problem();
            return -1;
        }
        if (answers->isEmpty())
            return total;
        const PgResult clashes
            = database.connection().exec("SELECT zentovia_add($1, $2, $3::text[], $4::jsonb)",
                { computer, secret, textArray(notebook.formerIds()), answersJson(*answers) }, why);
        if (!clashes)
            return -1;
        if (PgConnection::text(clashes.get(), 0, 0) != u"{}") {
            // Numbers the server holds for this id with other content: this
            // notebook is a copy of another. Once, with an id of its own.
            if (tookNewId) {
                *why = u"il server ha già le risposte di questo computer con un altro contenuto"_s;
                return -1;
            }
            tookNewId = true;
            const QString was = QString::fromUtf8(computer);
            if (!notebook.takeNewComputerId()) {
                *why = notebook.problem();
                return -1;
            }
            if (copied)
                copied(
                    u"Questo quaderno è la copia di un altro (il codice %1 era già usato da "
                    "un altro computer con altre risposte): ora si chiama %2 e manda di nuovo "
                    "le sue risposte, senza perderne nessuna."_s.arg(was, notebook.computerId()));
            continue;
        }
        // Committed: only now is the mark moved. Should it fail, the batch
        // is sent again later and the server lets it go.
        if (!notebook.markSent(databaseId, answers->last().number)) {
            *why = notebook.problem();
            return -1;
        }
        total += answers->size();
        if (committed)
            committed(total);
    }
}

} // namespace Zentovia
