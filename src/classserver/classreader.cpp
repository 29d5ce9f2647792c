#include "classserver/classreader.h"

#include "classserver/classdatabase.h"
#include "classserver/serversync.h"
#include "core/clock.h"
#include "learning/localclock.h"

#include <QHash>

#include <limits>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

QByteArray keyOf(const QString &child)
{
    return Notebook::childKey(child).toUtf8();
}

Mode modeOf(const char *name)
{
    return modeNamed(QString::fromUtf8(name)).value_or(Mode::Contest);
}

} // namespace

ClassReader::ClassReader(const QString &connection, int waitMs, int stopFd)
    : m_connection(connection)
    , m_waitMs(waitMs)
    , m_stopFd(stopFd)
{ }

ClassReader::~ClassReader() = default;

bool ClassReader::fail(const ClassProblem &why)
{
    m_problem = why;
    if (m_database && m_database->connection().broken())
        m_database.reset();
    return false;
}

bool ClassReader::open()
{
    if (m_database && m_database->connection().broken())
        m_database.reset();
    if (m_database)
        return true;
    ClassProblem why;
    m_database = ClassDatabase::open(m_connection, m_waitMs, m_stopFd, &why);
    if (!m_database)
        return fail(why);
    const PgResult teacher = m_database->connection().exec(
        "SELECT pg_has_role('zentovia_insegnanti', 'MEMBER')", &why);
    if (!teacher)
        return fail(why);
    m_teacher = PgConnection::text(teacher.get(), 0, 0) == u"t";
    return true;
}

std::optional<QList<StoredAnswer>> ClassReader::unsent(Notebook *local)
{
    if (!local)
        return QList<StoredAnswer>();
    const std::optional<qint64> mark = local->sending().sentUpTo(m_database->databaseId());
    std::optional<QList<StoredAnswer>> answers = mark
        ? local->sending().answersAfter(*mark, std::numeric_limits<int>::max())
        : std::nullopt;
    if (!answers) {
        m_problem = ClassProblem::of(local->problem());
        return std::nullopt;
    }
    std::stable_sort(answers->begin(), answers->end(),
        [](const StoredAnswer &a, const StoredAnswer &b) { return a.wallSeconds < b.wallSeconds; });
    return answers;
}

std::optional<qint64> ClassReader::waitingCount(Notebook &local)
{
    if (!open())
        return std::nullopt;
    const std::optional<QList<StoredAnswer>> answers = unsent(&local);
    return answers ? std::optional<qint64>(answers->size()) : std::nullopt;
}

std::optional<QList<Child>> ClassReader::children(Notebook *waiting)
{
    if (!open())
        return std::nullopt;
    const std::optional<QList<StoredAnswer>> local = unsent(waiting);
    if (!local)
        return std::nullopt;
    ClassProblem why;
    // Each child under the name most often typed; an answer a join brought
    // counts under the name the teacher gave.
    const PgResult rows = m_database->connection().exec(
        "SELECT DISTINCT ON (child_key) child, extract(epoch FROM max(last) OVER k)::bigint,"
        " sum(n) OVER k FROM (SELECT child_key, child, sum(n) AS n, max(last) AS last FROM ("
        " SELECT child_key, child, count(*) AS n, max(at) AS last FROM zentovia_answers"
        " WHERE joined_from IS NULL GROUP BY child_key, child"
        " UNION ALL SELECT a.child_key, r.new_name, count(*), max(a.at) FROM zentovia_answers a"
        " JOIN zentovia_renamed r ON r.child_key = a.joined_from"
        " WHERE a.joined_from IS NOT NULL GROUP BY 1, 2) each GROUP BY 1, 2) named"
        " WINDOW k AS (PARTITION BY child_key) ORDER BY child_key, n DESC, last DESC",
        &why);
    if (!rows) {
        fail(why);
        return std::nullopt;
    }
    QList<Child> children;
    for (int row = 0; row < PQntuples(rows.get()); ++row) {
        children.append({ PgConnection::text(rows.get(), row, 0),
            LocalClock::fromWallSeconds(PgConnection::number(rows.get(), row, 1)),
            int(PgConnection::number(rows.get(), row, 2)) });
    }
    for (const StoredAnswer &answer : *local) {
        const QString key = Notebook::childKey(answer.child);
        auto known = std::find_if(children.begin(), children.end(),
            [&](const Child &child) { return Notebook::childKey(child.name) == key; });
        if (known == children.end())
            known = children.insert(children.end(), Child { answer.child, {}, 0 });
        const QDateTime at = LocalClock::fromWallSeconds(answer.wallSeconds);
        if (!known->lastActivity.isValid() || at >= known->lastActivity)
            known->lastActivity = at;
        ++known->answers;
    }
    std::stable_sort(children.begin(), children.end(),
        [](const Child &a, const Child &b) { return a.lastActivity > b.lastActivity; });
    return children;
}

bool ClassReader::erase(const QString &child)
{
    if (!open())
        return false;
    ClassProblem why;
    // The server's clock, so that the erase's deadline is the server's: it
    // refuses the erase once this reader has stopped waiting for it (half
    // the wait later), so that an erase said not done never happens.
    const PgResult now = m_database->connection().exec(
        "SELECT extract(epoch FROM clock_timestamp())::numeric(20, 3)::text", &why);
    const double deadline
        = now ? PgConnection::text(now.get(), 0, 0).toDouble() + m_waitMs / 2000.0 : 0;
    const PgResult done = now
        ? m_database->connection().exec("SELECT zentovia_erase($1, to_timestamp($2))",
            { keyOf(child), QByteArray::number(deadline, 'f', 3) }, &why)
        : nullptr;
    if (done)
        return true;
    return fail(
        ClassProblem::of(why.reason == ClassReason::NotPermitted ? ClassReason::TeacherOnlyErase
                                                                 : ClassReason::EraseNotDone));
}

std::optional<bool> ClassReader::codeIsRight(const QString &child, const QString &code)
{
    if (!open())
        return std::nullopt;
    ClassProblem why;
    const PgResult right = m_database->connection().exec(
        "SELECT zentovia_code_ok($1, $2)", { keyOf(child), code.toUtf8() }, &why);
    if (!right) {
        fail(why);
        return std::nullopt;
    }
    return PgConnection::text(right.get(), 0, 0) == u"t";
}

bool ClassReader::setCode(const QString &child, const QString &code)
{
    return setSetting(
        "SELECT zentovia_set_code($1, $2)", child, code.toUtf8(), ClassReason::TeacherOnlyCode);
}

std::optional<int> ClassReader::setting(
    const char *sql, const QString &child, const QString &code, int otherwise)
{
    if (!open())
        return std::nullopt;
    ClassProblem why;
    const PgResult set = m_database->connection().exec(
        sql, { keyOf(child), code.isEmpty() ? QByteArray() : code.toUtf8() }, &why);
    if (!set) {
        fail(why);
        return std::nullopt;
    }
    return PQntuples(set.get()) > 0 && !PQgetisnull(set.get(), 0, 0)
        ? int(PgConnection::number(set.get(), 0, 0))
        : otherwise;
}

bool ClassReader::bringSettings(const QString &child, const QString &code, Notebook &into)
{
    if (!open())
        return false;
    ClassProblem why;
    const PgResult rows = m_database->connection().exec(
        "SELECT fact_seconds, contest_minutes, array_to_string(tables, ',') || ' ' || until"
        " FROM zentovia_child_settings($1, $2)",
        { keyOf(child), code.toUtf8() }, &why);
    if (!rows)
        return fail(why);
    const QStringList settings = PQntuples(rows.get()) == 0
        ? QStringList()
        : QStringList { PgConnection::text(rows.get(), 0, 0), PgConnection::text(rows.get(), 0, 1),
              PgConnection::text(rows.get(), 0, 2) };
    if (!settings.isEmpty() && !keepChildSettings(into, child, settings)) {
        m_problem = ClassProblem::of(into.problem());
        return false;
    }
    return true;
}

bool ClassReader::setSetting(
    const char *sql, const QString &child, const QByteArray &value, ClassReason teachersOnly)
{
    if (!open())
        return false;
    ClassProblem why;
    const PgResult done = m_database->connection().exec(sql, { keyOf(child), value }, &why);
    return done
        || fail(why.reason == ClassReason::NotPermitted ? ClassProblem::of(teachersOnly) : why);
}

std::optional<int> ClassReader::factSeconds(
    const QString &child, int otherwise, const QString &code)
{
    return setting(
        "SELECT fact_seconds FROM zentovia_child_settings($1, $2)", child, code, otherwise);
}

bool ClassReader::setFactSeconds(const QString &child, int seconds)
{
    return setSetting("SELECT zentovia_set_fact_seconds($1, $2::smallint)", child,
        QByteArray::number(seconds), ClassReason::TeacherOnlyFactSeconds);
}

std::optional<int> ClassReader::contestMinutes(
    const QString &child, int otherwise, const QString &code)
{
    return setting(
        "SELECT contest_minutes FROM zentovia_child_settings($1, $2)", child, code, otherwise);
}

bool ClassReader::setContestMinutes(const QString &child, int minutes)
{
    return setSetting("SELECT zentovia_set_contest_minutes($1, $2::smallint)", child,
        QByteArray::number(minutes), ClassReason::TeacherOnlyContestMinutes);
}

std::optional<QList<Answer>> ClassReader::answers(
    const QString &child, Notebook *unsentFrom, const QString &code)
{
    if (!open())
        return std::nullopt;
    // With no code, the children's login reads nothing of the child on the
    // server: then every answer of the notebook, sent or not.
    const bool fromServer = m_teacher || !code.isEmpty();
    ClassProblem why;
    const PgResult rows
        = m_database->connection().exec("SELECT * FROM zentovia_child_answers($1, $2)",
            { fromServer ? keyOf(child) : QByteArray(), code.toUtf8() }, &why);
    if (!rows) {
        fail(why);
        return std::nullopt;
    }
    QList<Answer> answers;
    const PGresult *r = rows.get();
    for (int row = 0; row < PQntuples(r); ++row) {
        answers.append({ LocalClock::fromWallSeconds(PgConnection::number(r, row, 0)),
            PgConnection::text(r, row, 1), int(PgConnection::number(r, row, 2)),
            int(PgConnection::number(r, row, 3)), PgConnection::text(r, row, 4),
            Outcome(PgConnection::number(r, row, 5)), int(PgConnection::number(r, row, 6)),
            modeOf(PQgetvalue(r, row, 7)),
            PgConnection::text(r, row, 8) + u'-' + PgConnection::text(r, row, 9) });
    }
    if (unsentFrom) {
        const std::optional<qint64> mark
            = fromServer ? unsentFrom->sending().sentUpTo(m_database->databaseId()) : qint64(0);
        const std::optional<QList<Answer>> local = unsentFrom->answers(child);
        if (!mark || !local) {
            m_problem = ClassProblem::of(unsentFrom->problem());
            return std::nullopt;
        }
        for (const Answer &answer : *local) {
            if (answer.id.section(u'-', -1).toLongLong() > *mark)
                answers.append(answer);
        }
        std::stable_sort(answers.begin(), answers.end(),
            [](const Answer &a, const Answer &b) { return a.at < b.at; });
    }
    // Under the name as last typed, as the notebook gives it.
    if (!answers.isEmpty()) {
        const QString name = answers.last().child;
        for (Answer &answer : answers)
            answer.child = name;
    }
    return answers;
}

std::optional<FactGrid> ClassReader::grid(const QString &child, int factSeconds, Notebook *waiting)
{
    if (!open())
        return std::nullopt;
    const std::optional<QList<StoredAnswer>> local = unsent(waiting);
    if (!local)
        return std::nullopt;
    GridBuilder grid(factSeconds, LocalClock::wallSeconds(Clock::system().wallNow()));
    for (const StoredAnswer &answer : *local) {
        if (Notebook::childKey(answer.child).toUtf8() == keyOf(child))
            grid.add(answer.table, answer.multiplier,
                { answer.wallSeconds, answer.outcome, answer.tenths });
    }
    ClassProblem why;
    // In the order of the index the grid has on the server.
    const bool read = m_database->connection().forEachRow(
        "SELECT times_table, multiplier, extract(epoch FROM at)::bigint, outcome, tenths"
        " FROM zentovia_answers WHERE child_key = $1 ORDER BY times_table, multiplier, at",
        { keyOf(child) },
        [&](const PGresult *row) {
            grid.add(int(PgConnection::number(row, 0, 0)), int(PgConnection::number(row, 0, 1)),
                { PgConnection::number(row, 0, 2), Outcome(PgConnection::number(row, 0, 3)),
                    int(PgConnection::number(row, 0, 4)) });
            return true;
        },
        &why);
    if (!read) {
        fail(why);
        return std::nullopt;
    }
    return grid.finish();
}

bool ClassReader::forEachAnswer(
    const std::function<bool(const StoredAnswer &)> &visit, Notebook *waiting)
{
    if (!open())
        return false;
    const std::optional<QList<StoredAnswer>> local = unsent(waiting);
    if (!local)
        return false;
    qsizetype next = 0; // the first waiting answer not visited yet
    bool stopped = false;
    ClassProblem why;
    QHash<QByteArray, QString> names; // the name as last typed, of each child
    const PgResult rows = m_database->connection().exec(
        "SELECT DISTINCT ON (child_key) child_key, child FROM zentovia_answers"
        " ORDER BY child_key, at DESC",
        &why);
    if (!rows)
        return fail(why);
    for (int row = 0; row < PQntuples(rows.get()); ++row)
        names.insert(PQgetvalue(rows.get(), row, 0), PgConnection::text(rows.get(), row, 1));
    StoredAnswer answer;
    const bool read = m_database->connection().forEachRow(
        "SELECT extract(epoch FROM at)::bigint, child_key, times_table, multiplier, typed,"
        " outcome, tenths, mode, utc_offset, number FROM zentovia_answers"
        " ORDER BY at, computer, number",
        {},
        [&](const PGresult *row) {
            answer.wallSeconds = PgConnection::number(row, 0, 0);
            answer.child = names.value(PQgetvalue(row, 0, 1));
            answer.table = int(PgConnection::number(row, 0, 2));
            answer.multiplier = int(PgConnection::number(row, 0, 3));
            answer.typed = PgConnection::text(row, 0, 4);
            answer.outcome = Outcome(PgConnection::number(row, 0, 5));
            answer.tenths = int(PgConnection::number(row, 0, 6));
            answer.mode = modeOf(PQgetvalue(row, 0, 7));
            answer.utcOffset = int(PgConnection::number(row, 0, 8));
            answer.number = PgConnection::number(row, 0, 9);
            // This computer's waiting answers, in their place in time.
            while (next < local->size() && local->at(next).wallSeconds < answer.wallSeconds) {
                if (!visit(local->at(next++)))
                    return !(stopped = true);
            }
            return !(stopped = !visit(answer));
        },
        &why);
    if (!read)
        return fail(why);
    while (!stopped && next < local->size())
        stopped = !visit(local->at(next++));
    return true;
}

} // namespace Zentovia
