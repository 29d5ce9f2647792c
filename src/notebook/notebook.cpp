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

using namespace Qt::StringLiterals;

namespace Zentovia {

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
    : m_connection(path, checkWholeFile)
    , m_settings(m_connection)
    , m_sending(m_connection)
{ }

Notebook::~Notebook() = default;

bool Notebook::insert(const Answer &answer)
{
    NotebookFile &file = m_connection.file();
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
        if (!m_connection.run(*query, NotebookReason::NotWritten))
            return false;
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
            return m_connection.refuse(NotebookReason::InvalidAnswer,
                { answer.typed, QString::number(answer.table),
                    QString::number(answer.multiplier) });
    }
    if (!m_connection.open())
        return false;
    return m_connection.inOneTransaction([&] {
        for (const Answer &answer : answers) {
            if (!insert(answer))
                return false;
        }
        return true;
    });
}

std::optional<QList<Child>> Notebook::children()
{
    if (!m_connection.open())
        return std::nullopt;
    QSqlQuery query(m_connection.database());
    query.setForwardOnly(true);
    if (!m_connection.run(query, NotebookReason::NotRead,
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
    if (!m_connection.open())
        return std::nullopt;
    QSqlQuery query(m_connection.database());
    query.setForwardOnly(true);
    query.prepare(u"SELECT c.name, a.at, a.times_table, a.multiplier, a.typed, a.outcome,"
                  " a.tenths, a.mode, a.number FROM answers a JOIN children c ON c.id = a.child"
                  " WHERE c.key = ? ORDER BY a.number"_s);
    query.addBindValue(childKey(child));
    if (!m_connection.run(query, NotebookReason::NotRead))
        return std::nullopt;
    m_sending.computerId(); // for answerId()
    QList<Answer> answers;
    while (query.next()) {
        answers.append({ LocalClock::fromWallSeconds(query.value(1).toLongLong()),
            query.value(0).toString(), query.value(2).toInt(), query.value(3).toInt(),
            query.value(4).toString(), Outcome(query.value(5).toInt()), query.value(6).toInt(),
            NotebookFile::modeOf(query.value(7).toInt()),
            m_sending.answerId(query.value(8).toLongLong()) });
    }
    return answers;
}

bool Notebook::erase(const QString &child)
{
    if (!m_connection.open())
        return false;
    QSqlQuery answers(m_connection.database());
    answers.prepare(u"DELETE FROM answers WHERE child = (SELECT id FROM children WHERE key = ?)"_s);
    QSqlQuery entry(m_connection.database());
    entry.prepare(u"DELETE FROM children WHERE key = ?"_s);
    QSqlQuery settings(m_connection.database());
    settings.prepare(u"DELETE FROM meta WHERE key IN (?, ?, ?)"_s);
    for (QSqlQuery *query : { &answers, &entry })
        query->addBindValue(childKey(child));
    ChildSettings::bindEveryKey(settings, childKey(child));
    return m_connection.runAll({ &answers, &entry, &settings }, NotebookReason::NotErased);
}

std::optional<FactGrid> Notebook::grid(const QString &child)
{
    const std::optional<int> seconds = m_settings.factSeconds(child);
    if (!seconds)
        return std::nullopt;
    QSqlQuery query(m_connection.database());
    query.setForwardOnly(true);
    // In the order of the answers' key: read straight off the file, unsorted.
    query.prepare(u"SELECT times_table, multiplier, at, outcome, tenths FROM answers"
                  " WHERE child = (SELECT id FROM children WHERE key = ?)"
                  " ORDER BY times_table, multiplier, at, number"_s);
    query.addBindValue(childKey(child));
    if (!m_connection.run(query, NotebookReason::NotRead))
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
    if (!m_connection.open())
        return false;
    QSqlQuery names(m_connection.database());
    names.setForwardOnly(true);
    if (!m_connection.run(names, NotebookReason::NotRead, u"SELECT id, name FROM children"_s))
        return false;
    QHash<qint64, QString> childNames;
    while (names.next())
        childNames.insert(names.value(0).toLongLong(), names.value(1).toString());
    names.finish();

    QSqlQuery query(m_connection.database());
    query.setForwardOnly(true);
    if (!m_connection.run(query, NotebookReason::NotRead,
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
        row.mode = NotebookFile::modeOf(query.value(8).toInt());
        row.utcOffset = query.value(9).toInt();
        if (!visit(row))
            break;
    }
    if (query.lastError().isValid())
        return m_connection.fail(NotebookReason::NotRead, query.lastError());
    return true;
}

} // namespace Zentovia
