#include "classserver/serversync.h"

#include "classserver/classdatabase.h"
#include "classserver/classlist.h"
#include "core/clock.h"
#include "learning/localclock.h"
#include "notebook/notebook.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
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

// What the server takes of a name, of what was typed and of the time to
// answer (see zentovia_add): a name typed longer, or an answer box filled
// with keys, goes cut rather than stop every answer after it.
constexpr int NameLength = 60;
constexpr int TypedLength = 8;
constexpr int MostTenths = 864000;

QByteArray answersJson(const QList<StoredAnswer> &answers)
{
    QJsonArray rows;
    for (const StoredAnswer &answer : answers) {
        const QString child = answer.child.left(NameLength);
        rows.append(QJsonObject {
            { u"number"_s, answer.number },
            { u"child_key"_s, Notebook::childKey(child).left(NameLength) },
            { u"child"_s, child },
            { u"times_table"_s, answer.table },
            { u"multiplier"_s, answer.multiplier },
            // The local clock's time as it read it, whatever the server's
            // time zone.
            { u"at"_s, LocalClock::fromWallSeconds(answer.wallSeconds).toString(Qt::ISODate) },
            { u"utc_offset"_s, answer.utcOffset },
            { u"typed"_s, answer.typed.isNull() ? u""_s : answer.typed.left(TypedLength) },
            { u"outcome"_s, int(answer.outcome) },
            { u"tenths"_s, std::min(answer.tenths, MostTenths) },
            { u"mode"_s, modeName(answer.mode) },
        });
    }
    return QJsonDocument(rows).toJson(QJsonDocument::Compact);
}

} // namespace

bool keepChildSettings(Notebook &notebook, const QString &child, const QStringList &settings)
{
    // Each empty when the teacher has not chosen it.
    const std::optional<Assignment> own = ClassList::fromText(settings.value(2));
    const QString tables = own ? ClassList::toText(*own) : u"-"_s;
    const int seconds = settings.value(0).toInt();
    const int minutes = settings.value(1).toInt();
    return (settings.value(0).isEmpty() || notebook.settings().factSeconds(child) == seconds
               || notebook.settings().setFactSeconds(child, seconds))
        && (settings.value(1).isEmpty() || notebook.settings().contestMinutes(child) == minutes
            || notebook.settings().setContestMinutes(child, minutes))
        && (notebook.settings().childAssignment(child) == tables
            || notebook.settings().setChildAssignment(child, tables));
}

ServerSync::ServerSync(int batchSize, int decisionsEveryMs)
    : m_batchSize(std::clamp(batchSize, 1, 1000)) // the server's most in one call
    , m_decisionsEveryMs(decisionsEveryMs)
{ }

std::optional<QList<qint64>> ServerSync::erasedNumbers(
    Notebook &notebook, ClassDatabase &database, ClassProblem *why)
{
    const PgResult erased = database.connection().exec("SELECT zentovia_erased_numbers($1, $2)",
        { notebook.sending().computerId().toUtf8(), notebook.sending().secret().toUtf8() }, why);
    if (!erased)
        return std::nullopt;
    QList<qint64> numbers;
    for (int n = 0; n < PQntuples(erased.get()); ++n)
        numbers << PgConnection::number(erased.get(), n, 0);
    return numbers;
}

bool ServerSync::bringErased(Notebook &notebook, ClassDatabase &database, ClassProblem *why)
{
    const std::optional<QList<qint64>> numbers = erasedNumbers(notebook, database, why);
    if (numbers && !notebook.sending().eraseNumbers(*numbers)) {
        *why = ClassProblem::of(notebook.problem());
        return false;
    }
    return numbers.has_value();
}

bool ServerSync::bringDecisions(Notebook &notebook, ClassDatabase &database, ClassProblem *why)
{
    // Everything is read from the server first, and then kept in the
    // notebook in one transaction: a round that ends half way (the server
    // gone, the program closing) keeps none of it, and a contest that reads
    // the notebook meanwhile sees the teacher's decisions all or none.
    // The class's tables for the week, for the next contest or ripasso.
    const std::optional<Assignment> assigned = ClassList::assignmentFor(database, QString(), why);
    if (!assigned && *why)
        return false;
    const QString assignment = assigned ? ClassList::toText(*assigned) : QString();
    // The class list, for the name box.
    const std::optional<QStringList> classList = ClassList::names(database, why);
    if (!classList)
        return false;
    const std::optional<QStringList> keys = notebook.sending().childKeys();
    if (!keys) {
        *why = ClassProblem::of(notebook.problem());
        return false;
    }
    // Each child's decisions, as rows of text: a query on the children's
    // keys, read whole before anything is kept.
    using Rows = QList<QStringList>;
    PgConnection &server = database.connection();
    const auto read = [&](const char *sql, const QStringList &children, int columns, Rows *out,
                          QList<QByteArray> before = {}) {
        if (children.isEmpty())
            return true;
        const PgResult rows = server.exec(sql, before << textArray(children), why);
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
    // with them, and the rest goes by the new names. Asked with the
    // computer's secret, for the names it sent answers under.
    Rows renames;
    if (!read("SELECT child_key, new_key, new_name FROM zentovia_renames($1, $2, $3::text[])",
            *keys, 3, &renames,
            { notebook.sending().computerId().toUtf8(), notebook.sending().secret().toUtf8() }))
        return false;
    QStringList current = *keys;
    for (const QStringList &row : std::as_const(renames)) {
        current.removeAll(row[0]);
        if (!current.contains(row[1]))
            current << row[1];
    }
    // This computer's answers the teacher erased, asked with its secret;
    // each child's settings, which only the teacher's login reads with no
    // child's code (a child's computer takes them when the child gives it).
    std::optional<QList<qint64>> erased = erasedNumbers(notebook, database, why);
    Rows settings;
    if (!erased
        || !read("SELECT k, s.fact_seconds, s.contest_minutes,"
                 " array_to_string(s.tables, ',') || ' ' || s.until"
                 " FROM unnest($1::text[]) k, LATERAL zentovia_child_settings(k, NULL) s",
            current, 4, &settings))
        return false;
    const bool kept = notebook.inOneTransaction([&] {
        if (notebook.settings().lastAssignment() != assignment
            && !notebook.settings().setLastAssignment(assignment))
            return false;
        if (notebook.settings().lastClassList() != *classList
            && !notebook.settings().setLastClassList(*classList))
            return false;
        for (const QStringList &row : std::as_const(renames)) {
            if (!notebook.sending().renameChild(row[0], row[1], row[2]))
                return false;
        }
        if (!notebook.sending().eraseNumbers(*erased))
            return false;
        for (const QStringList &row : std::as_const(settings)) {
            if (!keepChildSettings(notebook, row[0], row.mid(1)))
                return false;
        }
        return true;
    });
    if (!kept)
        *why = ClassProblem::of(notebook.problem());
    return kept;
}

std::optional<qint64> ServerSync::send(Notebook &notebook, ClassDatabase &database,
    ClassProblem *why, const std::function<void(qint64 total)> &committed,
    const std::function<void(const QString &was, const QString &now)> &copied)
{
    // The teacher's decisions once a round, not with every answer: at the
    // first send, then once decisionsEveryMs have passed.
    const bool decide = !m_decided.isValid() || m_decided.hasExpired(m_decisionsEveryMs);
    if (decide) {
        if (!bringDecisions(notebook, database, why))
            return std::nullopt;
        m_decided.start();
    }
    const QString databaseId = database.databaseId();
    qint64 total = 0;
    bool tookNewId = false;
    for (;;) {
        const std::optional<qint64> mark = notebook.sending().sentUpTo(databaseId);
        const QByteArray computer = notebook.sending().computerId().toUtf8();
        const QByteArray secret = notebook.sending().secret().toUtf8();
        const std::optional<QList<StoredAnswer>> answers
            = mark ? notebook.sending().answersAfter(*mark, m_batchSize) : std::nullopt;
        if (!answers || computer.isEmpty() || secret.isEmpty()) {
            *why = ClassProblem::of(notebook.problem());
            return std::nullopt;
        }
        // Those just sent that the teacher had erased before they were given
        // are gone on the server: here too (or else at the next round that
        // brings the decisions).
        if (answers->isEmpty()) {
            if (total > 0 && decide && !bringErased(notebook, database, why))
                return std::nullopt;
            return total;
        }
        // With this computer's clock now, which the server measures its own
        // against.
        const PgResult clashes = database.connection().exec(
            "SELECT zentovia_add($1, $2, $3::text[], $4::jsonb, $5::timestamptz)",
            { computer, secret, textArray(notebook.sending().formerIds()), answersJson(*answers),
                Clock::system().wallNow().toUTC().toString(Qt::ISODateWithMs).toUtf8() },
            why);
        // Not permitted: the server knows this id with another secret, that
        // of a copy of this notebook that reached it first.
        if (!clashes && why->reason != ClassReason::NotPermitted)
            return std::nullopt;
        if (!clashes || PgConnection::text(clashes.get(), 0, 0) != u"{}") {
            // Numbers the server holds for this id with other content: this
            // notebook is a copy of another. Once, with an id of its own.
            if (tookNewId) {
                if (clashes)
                    *why = ClassProblem::of(ClassReason::CopyClash);
                return std::nullopt;
            }
            tookNewId = true;
            const QString was = QString::fromUtf8(computer);
            if (!notebook.sending().takeNewComputerId()) {
                *why = ClassProblem::of(notebook.problem());
                return std::nullopt;
            }
            if (copied)
                copied(was, notebook.sending().computerId());
            continue;
        }
        // Committed: only now is the mark moved. Should it fail, the batch
        // is sent again later and the server lets it go.
        if (!notebook.sending().markSent(databaseId, answers->last().number)) {
            *why = ClassProblem::of(notebook.problem());
            return std::nullopt;
        }
        total += answers->size();
        if (committed)
            committed(total);
    }
}

} // namespace Zentovia
