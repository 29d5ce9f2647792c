#include "classserver/classlist.h"

#include "classserver/classdatabase.h"
#include "notebook/notebook.h"

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

// A child's key for the server; "" (never SQL's NULL) for the whole class.
QByteArray keyOf(const QString &child)
{
    const QByteArray key = child.isEmpty() ? QByteArray() : Notebook::childKey(child).toUtf8();
    return key.isNull() ? QByteArray("") : key;
}

} // namespace

namespace ClassList {

std::optional<Added> add(ClassDatabase &database, const QStringList &names, ClassProblem *why)
{
    PgConnection &server = database.connection();
    Added result;
    bool done = server.exec("BEGIN", why) != nullptr;
    for (qsizetype i = 0; done && i < names.size(); ++i) {
        const QString &name = names.at(i);
        const PgResult row = server.exec("INSERT INTO zentovia_roster (child_key, name)"
                                         " VALUES ($1, $2) ON CONFLICT DO NOTHING RETURNING 1",
            { keyOf(name), name.toUtf8() }, why);
        done = row != nullptr;
        if (done)
            (PQntuples(row.get()) > 0 ? result.added : result.already) << name;
    }
    done = done && server.exec("COMMIT", why);
    if (!done) {
        ClassProblem ignored;
        server.exec("ROLLBACK", &ignored);
        return std::nullopt;
    }
    return result;
}

std::optional<QStringList> names(ClassDatabase &database, ClassProblem *why)
{
    const PgResult rows = database.connection().exec(
        "SELECT zentovia_roster_names FROM zentovia_roster_names()", why);
    if (!rows)
        return std::nullopt;
    QStringList names;
    for (int row = 0; row < PQntuples(rows.get()); ++row)
        names << PgConnection::text(rows.get(), row, 0);
    return names;
}

bool rename(ClassDatabase &database, const QString &from, const QString &to, ClassProblem *why)
{
    const QString name = to.simplified();
    if (name.isEmpty()) {
        *why = ClassProblem::of(ClassReason::EmptyName);
        return false;
    }
    return database.connection().exec("SELECT zentovia_rename($1, $2, $3)",
               { keyOf(from), keyOf(name), name.toUtf8() }, why)
        != nullptr;
}

bool unjoin(ClassDatabase &database, const QString &joined, ClassProblem *why)
{
    return database.connection().exec("SELECT zentovia_unjoin($1)", { keyOf(joined) }, why)
        != nullptr;
}

bool remove(ClassDatabase &database, const QString &name, ClassProblem *why)
{
    return database.connection().exec(
               "DELETE FROM zentovia_roster WHERE child_key = $1", { keyOf(name) }, why)
        != nullptr;
}

bool assign(
    ClassDatabase &database, const Assignment &assignment, const QString &child, ClassProblem *why)
{
    QStringList tables;
    for (const int table : assignment.tables)
        tables << QString::number(table);
    return database.connection().exec(
               "INSERT INTO zentovia_assignments (child_key, tables, until)"
               " VALUES ($1, $2::smallint[], $3::date) ON CONFLICT (child_key) DO UPDATE SET"
               " tables = excluded.tables, until = excluded.until",
               { keyOf(child), (u'{' + tables.join(u',') + u'}').toUtf8(),
                   assignment.until.toString(Qt::ISODate).toUtf8() },
               why)
        != nullptr;
}

bool setCode(ClassDatabase &database, const QString &child, const QString &code, ClassProblem *why)
{
    return database.connection().exec(
               "SELECT zentovia_set_code($1, $2)", { keyOf(child), code.toUtf8() }, why)
        != nullptr;
}

std::optional<Assignment> assignmentFor(
    ClassDatabase &database, const QString &child, ClassProblem *why)
{
    // The class's for any login; a child's for the teacher's.
    const PgResult rows = child.isEmpty()
        ? database.connection().exec(
            "SELECT array_to_string(tables, ','), until FROM zentovia_class_assignment()", why)
        : database.connection().exec(
            "SELECT array_to_string(tables, ','), until FROM zentovia_assignment($1)",
            { keyOf(child) }, why);
    if (!rows || PQntuples(rows.get()) == 0) {
        if (rows)
            *why = {};
        return std::nullopt;
    }
    return fromText(
        PgConnection::text(rows.get(), 0, 0) + u' ' + PgConnection::text(rows.get(), 0, 1));
}

QString toText(const Assignment &assignment)
{
    QStringList tables;
    for (const int table : assignment.tables)
        tables << QString::number(table);
    return tables.join(u',') + u' ' + assignment.until.toString(Qt::ISODate);
}

std::optional<Assignment> fromText(const QString &text)
{
    Assignment assignment;
    for (const QString &table : text.section(u' ', 0, 0).split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const int n = table.toInt(&ok);
        if (!ok || n < 1 || n > 10)
            return std::nullopt;
        assignment.tables << n;
    }
    assignment.until = QDate::fromString(text.section(u' ', 1, 1), Qt::ISODate);
    if (assignment.tables.isEmpty() || !assignment.until.isValid())
        return std::nullopt;
    return assignment;
}

} // namespace ClassList

} // namespace Zentovia
