#include "classserver/classlist.h"

#include "classserver/classdatabase.h"
#include "notebook/notebook.h"

#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

const QStringList NameHeaders
    = { u"nome"_s, u"alunno"_s, u"alunna"_s, u"nominativo"_s, u"studente"_s, u"bambino"_s };

// One line's fields, with "quoted" fields and "" for a quote.
QStringList fieldsOf(const QString &line, QChar separator)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line.at(i + 1) == u'"')
                field += line.at(++i);
            else if (c == u'"')
                quoted = false;
            else
                field += c;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == separator) {
            fields << field.trimmed();
            field.clear();
        } else {
            field += c;
        }
    }
    return fields << field.trimmed();
}

QString text(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8(bytes);
    if (!utf8.hasError())
        return decoded;
    QStringDecoder windows("Windows-1252");
    if (windows.isValid())
        return windows(bytes);
    return QString::fromLatin1(bytes);
}

// A child's key for the server; "" (never SQL's NULL) for the whole class.
QByteArray keyOf(const QString &child)
{
    const QByteArray key = child.toCaseFolded().toUtf8();
    return key.isNull() ? QByteArray("") : key;
}

} // namespace

ClassListFile readClassList(const QByteArray &bytes)
{
    ClassListFile file;
    if (bytes.contains('\0')) {
        file.problem = ClassReason::NotText;
        return file;
    }
    QString all = text(bytes);
    if (all.startsWith(u'\xfeff'))
        all.remove(0, 1);
    const QStringList lines = all.split(u'\n');
    QChar separator = u',';
    for (const QString &line : lines) {
        if (!line.trimmed().isEmpty()) {
            separator = line.contains(u';') ? u';' : u',';
            break;
        }
    }
    int column = 0;
    int surname = -1;
    QStringList keys;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines.at(n);
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        const QStringList fields = fieldsOf(line, separator);
        if (keys.isEmpty() && file.names.isEmpty() && file.skipped.isEmpty()) {
            // A header names its columns.
            QStringList headers;
            for (const QString &field : fields)
                headers << field.toCaseFolded();
            const auto found = std::find_if(headers.begin(), headers.end(),
                [](const QString &h) { return NameHeaders.contains(h); });
            const qsizetype cognome = headers.indexOf(u"cognome"_s);
            if (found != headers.end() || cognome >= 0) {
                column = found != headers.end() ? int(found - headers.begin()) : int(cognome);
                surname = found != headers.end() && cognome >= 0 ? int(cognome) : -1;
                continue;
            }
        }
        QString name = fields.value(column).simplified();
        if (surname >= 0 && !fields.value(surname).trimmed().isEmpty())
            name = fields.value(surname).simplified() + u' ' + name;
        if (name.isEmpty()) {
            file.skipped << int(n + 1);
            continue;
        }
        const QString key = name.toCaseFolded();
        if (keys.contains(key)) {
            file.twice << name;
            continue;
        }
        keys << key;
        file.names << name;
    }
    if (file.names.isEmpty())
        file.problem = ClassReason::NoNames;
    return file;
}

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
            { name.toCaseFolded().toUtf8(), name.toUtf8() }, why);
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
               { keyOf(Notebook::shownName(from)), keyOf(name), name.toUtf8() }, why)
        != nullptr;
}

bool remove(ClassDatabase &database, const QString &name, ClassProblem *why)
{
    return database.connection().exec("DELETE FROM zentovia_roster WHERE child_key = $1",
               { keyOf(name.simplified()) }, why)
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
