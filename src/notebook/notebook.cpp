#include "notebook/notebook.h"

#include "core/clock.h"
#include "core/tables.h"
#include "learning/localclock.h"
#include "notebook/notebookfile.h"

#include <QDir>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

#include <utility>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

Mode modeOf(int code)
{
    return code == int(Mode::Practice) ? Mode::Practice : Mode::Contest;
}

} // namespace

QString Notebook::defaultPath()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return base.isEmpty() ? QString() : QDir::cleanPath(base + u"/zentovia/quaderno.sqlite");
}

QString Notebook::shownName(const QString &typed)
{
    // Blanks around a name are not part of it; a name of blanks alone stays,
    // as the contest calls the child.
    const QString name = typed.trimmed();
    return name.isEmpty() ? playerName(typed) : name;
}

QString Notebook::childKey(const QString &typed)
{
    const QString name = shownName(typed);
    const QString simplified = name.simplified();
    return (simplified.isEmpty() ? name : simplified).toCaseFolded();
}

Notebook::Notebook(const QString &path, bool checkWholeFile)
    : m_path(path)
    , m_checkWholeFile(checkWholeFile)
{ }

Notebook::~Notebook() = default;

bool Notebook::fail(NotebookReason reason, const QSqlError &error)
{
    m_problem = NotebookFile::sqliteProblem(reason, m_path, error);
    return false;
}

bool Notebook::run(QSqlQuery &query, NotebookReason reason, const QString &sql)
{
    return (sql.isEmpty() ? query.exec() : query.exec(sql)) || fail(reason, query.lastError());
}

bool Notebook::refuse(NotebookReason reason, const QStringList &values)
{
    m_problem = { reason, m_path, values };
    return false;
}

bool Notebook::open()
{
    if (m_file)
        return true;
    NotebookProblem problem;
    m_file = NotebookFile::open(m_path, &problem,
        m_checkWholeFile ? NotebookFile::Check::WholeFile : NotebookFile::Check::Schema);
    if (problem.reason == NotebookReason::SetAside)
        m_setAside = problem;
    else
        m_problem = problem;
    return m_file != nullptr;
}

NotebookProblem Notebook::takeSetAside()
{
    return std::exchange(m_setAside, {});
}

bool Notebook::insert(const Answer &answer)
{
    NotebookFile &file = *m_file;
    const QString name = shownName(answer.child);
    const QString key = childKey(name);
    const qint64 wall = LocalClock::wallSeconds(answer.at);

    file.upsertChild().bindValue(0, key);
    file.upsertChild().bindValue(1, name);
    file.upsertChild().bindValue(2, wall);
    // A null text would be stored as SQL's NULL, not as nothing typed.
    const QString typed = answer.typed.isNull() ? u""_s : answer.typed;
    const QVariant values[]
        = { key, answer.table, answer.multiplier, wall, answer.at.offsetFromUtc() / 60, typed,
              int(answer.outcome), answer.tenths, int(answer.mode) };
    for (int i = 0; i < int(std::size(values)); ++i)
        file.insertAnswer().bindValue(i, values[i]);
    for (QSqlQuery *query : { &file.upsertChild(), &file.nextNumber(), &file.insertAnswer() }) {
        if (!query->exec())
            return fail(NotebookReason::NotWritten, query->lastError());
    }
    return true;
}

bool Notebook::add(const Answer &answer)
{
    return add(QList<Answer> { answer });
}

bool Notebook::add(const QList<Answer> &answers)
{
    for (const Answer &answer : answers) {
        if (answer.table < 1 || answer.table > 10 || answer.multiplier < 1 || answer.multiplier > 10
            || answer.tenths < 0 || !answer.at.isValid())
            return refuse(NotebookReason::InvalidAnswer,
                { answer.typed, QString::number(answer.table),
                    QString::number(answer.multiplier) });
    }
    if (!open())
        return false;
    QSqlError error;
    if (!m_file->exec("BEGIN IMMEDIATE", &error))
        return fail(NotebookReason::NotWritten, error);
    bool done = true;
    for (const Answer &answer : answers)
        done = done && insert(answer);
    if (done && !m_file->exec("COMMIT", &error))
        done = fail(NotebookReason::NotWritten, error);
    if (!done)
        m_file->exec("ROLLBACK", &error);
    return done;
}

std::optional<QList<Child>> Notebook::children()
{
    if (!open())
        return std::nullopt;
    QSqlQuery query(m_file->database());
    query.setForwardOnly(true);
    if (!run(query, NotebookReason::NotRead,
            u"SELECT name, last_activity, answers FROM children"
            " ORDER BY last_activity DESC, id DESC"_s))
        return std::nullopt;
    QList<Child> children;
    while (query.next())
        children.append({ query.value(0).toString(),
            LocalClock::fromWallSeconds(query.value(1).toLongLong()), query.value(2).toInt() });
    return children;
}

std::optional<QList<Answer>> Notebook::answers(const QString &child)
{
    if (!open())
        return std::nullopt;
    QSqlQuery query(m_file->database());
    query.setForwardOnly(true);
    query.prepare(u"SELECT c.name, a.at, a.times_table, a.multiplier, a.typed, a.outcome,"
                  " a.tenths, a.mode, a.number FROM answers a JOIN children c ON c.id = a.child"
                  " WHERE c.key = ? ORDER BY a.number"_s);
    query.addBindValue(childKey(child));
    if (!run(query, NotebookReason::NotRead))
        return std::nullopt;
    computerId(); // for answerId()
    QList<Answer> answers;
    while (query.next()) {
        answers.append({ LocalClock::fromWallSeconds(query.value(1).toLongLong()),
            query.value(0).toString(), query.value(2).toInt(), query.value(3).toInt(),
            query.value(4).toString(), Outcome(query.value(5).toInt()), query.value(6).toInt(),
            modeOf(query.value(7).toInt()), answerId(query.value(8).toLongLong()) });
    }
    return answers;
}

std::optional<int> Notebook::factSeconds(const QString &child)
{
    if (!open())
        return std::nullopt;
    QSqlQuery query(m_file->database());
    query.prepare(u"SELECT fact_seconds FROM children WHERE key = ?"_s);
    query.addBindValue(childKey(child));
    if (!run(query, NotebookReason::NotRead))
        return std::nullopt;
    return query.next() ? query.value(0).toInt() : DefaultFactSeconds;
}

bool Notebook::setFactSeconds(const QString &child, int seconds)
{
    if (std::find(FactSecondsChoices.begin(), FactSecondsChoices.end(), seconds)
        == FactSecondsChoices.end())
        return refuse(NotebookReason::InvalidFactSeconds, { QString::number(seconds) });
    if (!open())
        return false;
    // A child not met yet comes in now, as a teacher prepares the class.
    QSqlQuery query(m_file->database());
    query.prepare(u"INSERT INTO children(key, name, last_activity, fact_seconds)"
                  " VALUES (?, ?, ?, ?) ON CONFLICT(key) DO UPDATE SET"
                  " fact_seconds = excluded.fact_seconds"_s);
    const QString name = shownName(child);
    query.addBindValue(childKey(name));
    query.addBindValue(name);
    query.addBindValue(LocalClock::wallSeconds(Clock::system().wallNow()));
    query.addBindValue(seconds);
    if (!run(query, NotebookReason::NotWritten))
        return false;
    return true;
}

bool Notebook::addChild(const QString &child)
{
    if (!open())
        return false;
    QSqlQuery query(m_file->database());
    query.prepare(u"INSERT INTO children(key, name, last_activity) VALUES (?, ?, ?)"
                  " ON CONFLICT(key) DO NOTHING"_s);
    const QString name = shownName(child);
    query.addBindValue(name.toCaseFolded());
    query.addBindValue(name);
    query.addBindValue(LocalClock::wallSeconds(Clock::system().wallNow()));
    return run(query, NotebookReason::NotWritten);
}

bool Notebook::erase(const QString &child)
{
    if (!open())
        return false;
    QSqlQuery answers(m_file->database());
    answers.prepare(u"DELETE FROM answers WHERE child = (SELECT id FROM children WHERE key = ?)"_s);
    QSqlQuery entry(m_file->database());
    entry.prepare(u"DELETE FROM children WHERE key = ?"_s);
    QSqlQuery settings(m_file->database());
    settings.prepare(u"DELETE FROM meta WHERE key IN (?, ?, ?)"_s);
    for (QSqlQuery *query : { &answers, &entry })
        query->addBindValue(childKey(child));
    bindChildSettings(settings, childKey(child));
    return runAll({ &answers, &entry, &settings }, NotebookReason::NotErased);
}

std::optional<FactGrid> Notebook::grid(const QString &child)
{
    const std::optional<int> seconds = factSeconds(child);
    if (!seconds)
        return std::nullopt;
    QSqlQuery query(m_file->database());
    query.setForwardOnly(true);
    // In the order of the answers' key: read straight off the file, unsorted.
    query.prepare(u"SELECT times_table, multiplier, at, outcome, tenths FROM answers"
                  " WHERE child = (SELECT id FROM children WHERE key = ?)"
                  " ORDER BY times_table, multiplier, at, number"_s);
    query.addBindValue(childKey(child));
    if (!run(query, NotebookReason::NotRead))
        return std::nullopt;
    GridBuilder grid(*seconds, LocalClock::wallSeconds(Clock::system().wallNow()));
    while (query.next()) {
        grid.add(query.value(0).toInt(), query.value(1).toInt(),
            { query.value(2).toLongLong(), Outcome(query.value(3).toInt()),
                query.value(4).toInt() });
    }
    return grid.finish();
}

bool Notebook::forEachAnswer(const std::function<bool(const StoredAnswer &)> &visit)
{
    if (!open())
        return false;
    QSqlQuery names(m_file->database());
    names.setForwardOnly(true);
    if (!run(names, NotebookReason::NotRead, u"SELECT id, name FROM children"_s))
        return false;
    QHash<qint64, QString> childNames;
    while (names.next())
        childNames.insert(names.value(0).toLongLong(), names.value(1).toString());
    names.finish();

    QSqlQuery query(m_file->database());
    query.setForwardOnly(true);
    if (!run(query, NotebookReason::NotRead,
            u"SELECT number, at, child, times_table, multiplier, typed, outcome, tenths,"
            " mode, utc_offset FROM answers ORDER BY number"_s))
        return false;
    StoredAnswer row;
    while (query.next()) {
        row.number = query.value(0).toLongLong();
        row.wallSeconds = query.value(1).toLongLong();
        row.child = childNames.value(query.value(2).toLongLong());
        row.table = query.value(3).toInt();
        row.multiplier = query.value(4).toInt();
        row.typed = query.value(5).toString();
        row.outcome = Outcome(query.value(6).toInt());
        row.tenths = query.value(7).toInt();
        row.mode = modeOf(query.value(8).toInt());
        row.utcOffset = query.value(9).toInt();
        if (!visit(row))
            break;
    }
    if (query.lastError().isValid())
        return fail(NotebookReason::NotRead, query.lastError());
    return true;
}

std::optional<qint64> Notebook::sentUpTo(const QString &databaseId)
{
    if (!open())
        return std::nullopt;
    QSqlQuery query(m_file->database());
    query.prepare(u"SELECT value FROM meta WHERE key = ?"_s);
    query.addBindValue(QString(u"sent:"_s + databaseId));
    if (!run(query, NotebookReason::NotRead))
        return std::nullopt;
    return query.next() ? query.value(0).toLongLong() : 0;
}

bool Notebook::markSent(const QString &databaseId, qint64 number)
{
    if (!open())
        return false;
    QSqlQuery query(m_file->database());
    query.prepare(u"INSERT INTO meta(key, value) VALUES (?, ?)"
                  " ON CONFLICT(key) DO UPDATE SET value = max(value, excluded.value)"_s);
    query.addBindValue(QString(u"sent:"_s + databaseId));
    query.addBindValue(number);
    if (!run(query, NotebookReason::NotWritten))
        return false;
    return true;
}

std::optional<QList<StoredAnswer>> Notebook::answersAfter(qint64 after, int limit)
{
    if (!open())
        return std::nullopt;
    if (!m_numberIndexed) {
        // Made the first time answers are sent, on the computers that send
        // them: without it each look for the newest answers reads them all.
        // Layout version 1 still: a program that does not know the index
        // keeps it up to date all the same. A read-only file goes without.
        QSqlError ignored;
        m_file->exec("CREATE INDEX IF NOT EXISTS answers_by_number ON answers(number)", &ignored);
        m_numberIndexed = true;
    }
    QSqlQuery query(m_file->database());
    query.setForwardOnly(true);
    query.prepare(u"SELECT a.number, a.at, c.name, a.times_table, a.multiplier, a.typed,"
                  " a.outcome, a.tenths, a.mode, a.utc_offset FROM answers a"
                  " JOIN children c ON c.id = a.child WHERE a.number > ? ORDER BY a.number"
                  " LIMIT ?"_s);
    query.addBindValue(after);
    query.addBindValue(limit);
    if (!run(query, NotebookReason::NotRead))
        return std::nullopt;
    QList<StoredAnswer> answers;
    while (query.next()) {
        answers.append({ query.value(0).toLongLong(), query.value(1).toLongLong(),
            query.value(2).toString(), query.value(3).toInt(), query.value(4).toInt(),
            query.value(5).toString(), Outcome(query.value(6).toInt()), query.value(7).toInt(),
            modeOf(query.value(8).toInt()), query.value(9).toInt() });
    }
    return answers;
}

QString Notebook::meta(const QString &key)
{
    if (!open())
        return QString();
    QSqlQuery query(m_file->database());
    query.prepare(u"SELECT value FROM meta WHERE key = ?"_s);
    query.addBindValue(key);
    return query.exec() && query.next() ? query.value(0).toString() : QString();
}

QString Notebook::computerId()
{
    // Read each time: another program on this computer may have taken a
    // new one.
    m_computerId = meta(u"computer"_s);
    return m_computerId;
}

QString Notebook::answerId(qint64 number) const
{
    return m_computerId + u'-' + QString::number(number);
}

} // namespace Zentovia
