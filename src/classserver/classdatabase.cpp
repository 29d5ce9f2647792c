#include "classserver/classdatabase.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

const QStringList OurTables = { u"zentovia_version"_s, u"zentovia_answers"_s,
    u"zentovia_computers"_s, u"zentovia_erased"_s, u"zentovia_children"_s, u"zentovia_roster"_s,
    u"zentovia_assignments"_s, u"zentovia_renamed"_s, u"zentovia_codes"_s, u"zentovia_contacts"_s,
    u"zentovia_erased_answers"_s };

// Each step brings the tables from one version to the next: Steps[0] from 4
// to 5, and so on. From versions 1, 2 and 3 the administrator runs
// zentovia-server.sql again: it makes roles' rights that only the owner of
// the database may give.
constexpr int FirstStepFrom = 4;
const QList<QList<QByteArray>> Steps = {};

} // namespace

std::unique_ptr<ClassDatabase> ClassDatabase::open(
    const QString &conninfo, int timeoutMs, int stopFd, ClassProblem *why)
{
    std::unique_ptr<PgConnection> connection = PgConnection::open(conninfo, timeoutMs, stopFd, why);
    if (!connection)
        return nullptr;
    std::unique_ptr<ClassDatabase> database(new ClassDatabase(std::move(connection)));
    return database->check(why) ? std::move(database) : nullptr;
}

ClassDatabase::ClassDatabase(std::unique_ptr<PgConnection> connection)
    : m_connection(std::move(connection))
{ }

bool ClassDatabase::check(ClassProblem *why)
{
    const QString name = m_connection->database();
    // Every table, view or sequence-free relation anyone made, whether this
    // login may read it or not.
    const PgResult tables = m_connection->exec(
        "SELECT n.nspname, c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace"
        " WHERE c.relkind IN ('r', 'p', 'v', 'm', 'f')"
        " AND n.nspname NOT IN ('pg_catalog', 'information_schema')"
        " AND n.nspname NOT LIKE 'pg\\_%' ORDER BY 1, 2",
        why);
    if (!tables)
        return false;
    QStringList ours;
    QStringList others;
    for (int row = 0; row < PQntuples(tables.get()); ++row) {
        const QString schema = PgConnection::text(tables.get(), row, 0);
        const QString table = PgConnection::text(tables.get(), row, 1);
        if (schema == u"public" && OurTables.contains(table))
            ours.append(table);
        else
            others.append(schema == u"public" ? table : schema + u'.' + table);
    }
    if (!others.isEmpty() || (!ours.isEmpty() && !ours.contains(OurTables.first()))) {
        if (others.size() > 3)
            others = others.mid(0, 3) << u"…"_s;
        *why = ClassProblem::of(ClassReason::OtherProgram, others.isEmpty() ? ours : others);
        why->subject = name;
        return false;
    }
    if (ours.isEmpty()) {
        *why = ClassProblem::of(ClassReason::EmptyDatabase);
        why->subject = name;
        return false;
    }
    const PgResult version
        = m_connection->exec("SELECT version, archive FROM zentovia_version", why);
    if (!version)
        return false;
    if (PQntuples(version.get()) != 1) {
        *why = ClassProblem::of(ClassReason::NoVersion);
        why->subject = name;
        return false;
    }
    const int found = int(PgConnection::number(version.get(), 0, 0));
    m_databaseId = PgConnection::text(version.get(), 0, 1);
    if (found > Version) {
        *why = ClassProblem::of(ClassReason::NewerDatabase, { QString::number(found) });
        why->subject = name;
        return false;
    }
    return found == Version || migrate(found, why);
}

bool ClassDatabase::migrate(int from, ClassProblem *why)
{
    const QString name = m_connection->database();
    const PgResult owner = m_connection->exec("SELECT pg_has_role(relowner, 'USAGE') FROM pg_class "
                                              "WHERE oid = 'zentovia_answers'::regclass",
        why);
    if (!owner)
        return false;
    if (PgConnection::text(owner.get(), 0, 0) != u"t") {
        *why = ClassProblem::of(ClassReason::OlderNotOwned, { QString::number(from) });
        why->subject = name;
        return false;
    }
    if (from < FirstStepFrom || from - FirstStepFrom + Steps.size() < Version) {
        *why = ClassProblem::of(ClassReason::OlderDatabase, { QString::number(from) });
        why->subject = name;
        return false;
    }
    // All the steps or none; the row lock keeps a second program from
    // taking the same steps at once.
    bool done = m_connection->exec("BEGIN", why) != nullptr;
    const PgResult locked = done
        ? m_connection->exec("SELECT version FROM zentovia_version FOR UPDATE", why)
        : nullptr;
    done = locked != nullptr;
    const int now = done ? int(PgConnection::number(locked.get(), 0, 0)) : from;
    for (int step = now; done && step < Version; ++step) {
        for (const QByteArray &sql : Steps.at(step - FirstStepFrom))
            done = done && m_connection->exec(sql, {}, why);
    }
    done = done
        && m_connection->exec(
            "UPDATE zentovia_version SET version = $1", { QByteArray::number(Version) }, why)
        && m_connection->exec("COMMIT", why);
    if (!done) {
        ClassProblem ignored;
        m_connection->exec("ROLLBACK", &ignored);
    }
    return done;
}

} // namespace Zentovia
