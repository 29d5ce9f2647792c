#include "notebook/notebookfile.h"

#include "core/clock.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <atomic>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

// The layout's version, in the file's user_version: a later program migrates
// an earlier file, and leaves a later file alone.
constexpr int SchemaVersion = 2;

// Two programs writing at once (two children on one computer) wait for each
// other this long; an answer takes about a millisecond.
constexpr int BusyMilliseconds = 10000;

// Kept small for a million answers in a few tens of MiB: the child is a
// number, the time the wall clock's seconds (see LocalClock), the outcome and
// the mode small numbers. The answers are clustered by child and fact, the
// way the grid reads them. number counts the answers of this file and is
// never given twice, erased answers included.
const char *const SchemaV1[] = {
    "CREATE TABLE meta(key TEXT PRIMARY KEY, value) WITHOUT ROWID",
    "CREATE TABLE children("
    " id INTEGER PRIMARY KEY,"
    " key TEXT NOT NULL UNIQUE," // the name case-folded
    " name TEXT NOT NULL," // as last typed
    " last_activity INTEGER NOT NULL,"
    " answers INTEGER NOT NULL DEFAULT 0,"
    " fact_seconds INTEGER NOT NULL DEFAULT 6 CHECK (fact_seconds IN (3, 6, 12)))",
    "CREATE TABLE answers("
    " child INTEGER NOT NULL REFERENCES children(id),"
    " times_table INTEGER NOT NULL CHECK (times_table BETWEEN 1 AND 10),"
    " multiplier INTEGER NOT NULL CHECK (multiplier BETWEEN 1 AND 10),"
    " at INTEGER NOT NULL,"
    " number INTEGER NOT NULL,"
    " utc_offset INTEGER NOT NULL," // minutes, so that the instant is known too
    " typed TEXT NOT NULL,"
    " outcome INTEGER NOT NULL CHECK (outcome BETWEEN 0 AND 2),"
    " tenths INTEGER NOT NULL,"
    " mode INTEGER NOT NULL CHECK (mode IN (0, 1)),"
    " PRIMARY KEY (child, times_table, multiplier, at, number)) WITHOUT ROWID",
    "INSERT INTO meta(key, value) VALUES ('last_number', 0)",
};

// SQLite's codes for a file that is no database, or a damaged one.
constexpr int NotADatabase = 26;
constexpr int Corrupt = 11;

std::atomic<quint64> connections { 0 };

} // namespace

NotebookProblem NotebookFile::sqliteProblem(
    NotebookReason reason, const QString &path, const QSqlError &error)
{
    // Extended codes keep the primary one in the low byte.
    return { reason, path, { error.databaseText().isEmpty() ? error.text() : error.databaseText() },
        error.nativeErrorCode().toInt() & 0xff };
}

std::unique_ptr<NotebookFile> NotebookFile::open(
    const QString &path, NotebookProblem *problem, Check check)
{
    if (path.isEmpty()) {
        *problem = { NotebookReason::NoDataFolder, path };
        return nullptr;
    }
    const QString dir = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(dir)) {
        *problem = { NotebookReason::FolderNotMade, path, { dir } };
        return nullptr;
    }
    std::unique_ptr<NotebookFile> file(new NotebookFile(path));
    switch (file->connect(problem, check)) {
    case Opening::Opened:
        return file;
    case Opening::Failed:
        return nullptr;
    case Opening::NotADatabase:
        break;
    }
    // Kept aside for whoever wants to look at it, and a new notebook begun
    // so that the contest goes on.
    file.reset();
    if (!moveAside(path, problem))
        return nullptr;
    file.reset(new NotebookFile(path));
    return file->connect(problem, check) == Opening::Opened ? std::move(file) : nullptr;
}

NotebookFile::NotebookFile(const QString &path)
    : m_path(path)
    , m_name(u"zentovia-quaderno-%1"_s.arg(++connections))
    , m_database(QSqlDatabase::addDatabase(u"QSQLITE"_s, m_name))
{
    m_database.setDatabaseName(path);
    m_database.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=%1"_s.arg(BusyMilliseconds));
}

NotebookFile::~NotebookFile()
{
    // Qt removes a connection only once nothing uses it any more.
    m_upsertChild = QSqlQuery();
    m_nextNumber = QSqlQuery();
    m_insertAnswer = QSqlQuery();
    m_database.close();
    m_database = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

bool NotebookFile::exec(const char *sql, QSqlError *error)
{
    QSqlQuery query(m_database);
    if (query.exec(QString::fromLatin1(sql)))
        return true;
    *error = query.lastError();
    return false;
}

NotebookFile::Opening NotebookFile::connect(NotebookProblem *problem, Check check)
{
    if (!m_database.open()) {
        *problem = sqliteProblem(NotebookReason::NotOpened, m_path, m_database.lastError());
        return Opening::Failed;
    }
    QSqlQuery version(m_database);
    if (!version.exec(u"PRAGMA user_version"_s) || !version.next()) {
        const QSqlError error = version.lastError();
        const int code = error.nativeErrorCode().toInt() & 0xff;
        if (code == NotADatabase || code == Corrupt)
            return Opening::NotADatabase;
        *problem = sqliteProblem(NotebookReason::NotRead, m_path, error);
        return Opening::Failed;
    }
    const int found = version.value(0).toInt();
    version.finish();
    // A file whose header reads well may still be damaged beyond it: every
    // statement would then fail.
    const bool whole = check == Check::WholeFile;
    QSqlQuery checked(m_database);
    checked.setForwardOnly(true);
    if (!checked.exec(whole ? u"PRAGMA quick_check(1)"_s : u"SELECT count(*) FROM sqlite_schema"_s)
        || !checked.next() || (whole && checked.value(0).toString() != u"ok")) {
        const int code = checked.lastError().nativeErrorCode().toInt() & 0xff;
        if (checked.lastError().isValid() && code != NotADatabase && code != Corrupt) {
            *problem = sqliteProblem(NotebookReason::NotRead, m_path, checked.lastError());
            return Opening::Failed;
        }
        return Opening::NotADatabase;
    }
    checked.finish();
    if (found > SchemaVersion) {
        *problem = { NotebookReason::NewerVersion, m_path, { QString::number(found) } };
        return Opening::Failed;
    }
    return setUp(found, problem);
}

bool NotebookFile::layOut(NotebookProblem *problem)
{
    QSqlError error;
    if (!exec("BEGIN IMMEDIATE", &error)) {
        *problem = sqliteProblem(NotebookReason::NotPrepared, m_path, error);
        return false;
    }
    // Read again under the lock: another program may have just made it.
    QSqlQuery version(m_database);
    bool done = version.exec(u"PRAGMA user_version"_s) && version.next();
    const int found = done ? version.value(0).toInt() : 0;
    error = version.lastError();
    version.finish();
    if (done && found < 1) {
        for (const char *sql : SchemaV1)
            done = done && exec(sql, &error);
        QSqlQuery computer(m_database);
        computer.prepare(u"INSERT INTO meta(key, value) VALUES ('computer', ?)"_s);
        computer.addBindValue(
            QString::number(QRandomGenerator::system()->generate64(), 16).rightJustified(16, u'0'));
        if (done && !computer.exec()) {
            done = false;
            error = computer.lastError();
        }
    }
    // Later versions add their steps here, each from the one before.
    if (done && found < 2)
        done = rekeyChildren(&error);
    if (done && found < SchemaVersion)
        done = exec("PRAGMA user_version = 2", &error);
    if (!done || !exec("COMMIT", &error)) {
        QSqlError ignored;
        exec("ROLLBACK", &ignored);
        *problem = sqliteProblem(NotebookReason::NotPrepared, m_path, error);
        return false;
    }
    return true;
}

bool NotebookFile::rekeyChildren(QSqlError *error)
{
    // Version 1 kept blanks inside a name as typed: "Anna  Maria" was a child
    // apart from "Anna Maria". Such a child becomes the other one, with its
    // answers and the settings the other has not got; or takes the key alone.
    QSqlQuery children(m_database);
    if (!children.exec(u"SELECT key FROM children"_s)) {
        *error = children.lastError();
        return false;
    }
    QStringList keys;
    while (children.next())
        keys << children.value(0).toString();
    children.finish();
    const QStringList steps {
        u"INSERT INTO children(key, name, last_activity, fact_seconds)"
        " SELECT :to, name, last_activity, fact_seconds FROM children WHERE key = :from"
        " ON CONFLICT(key) DO UPDATE SET"
        " last_activity = max(last_activity, excluded.last_activity)"_s,
        u"UPDATE answers SET child = (SELECT id FROM children WHERE key = :to)"
        " WHERE child = (SELECT id FROM children WHERE key = :from)"_s,
        u"UPDATE children SET answers = (SELECT count(*) FROM answers a"
        " WHERE a.child = children.id) WHERE key = :to"_s,
        u"DELETE FROM children WHERE key = :from"_s,
        u"UPDATE OR IGNORE meta SET key = substr(key, 1, instr(key, ':')) || :to"
        " WHERE instr(key, ':') > 0 AND substr(key, instr(key, ':') + 1) = :from"_s,
        u"DELETE FROM meta WHERE instr(key, ':') > 0 AND substr(key, instr(key, ':') + 1) = :from"_s,
    };
    for (const QString &from : std::as_const(keys)) {
        const QString to = from.simplified();
        if (to.isEmpty() || to == from)
            continue;
        for (const QString &sql : steps) {
            QSqlQuery step(m_database);
            step.prepare(sql);
            step.bindValue(u":from"_s, from);
            if (sql.contains(u":to"_s))
                step.bindValue(u":to"_s, to);
            if (!step.exec()) {
                *error = step.lastError();
                return false;
            }
        }
    }
    return true;
}

NotebookFile::Opening NotebookFile::setUp(int found, NotebookProblem *problem)
{
    QSqlError error;
    // Written once an answer is on disk, so a crash or a power cut loses at
    // most the answer being written; WAL lets the readers go on meanwhile. A
    // read-only file refuses both and can still be read. A file in WAL
    // already is not asked again: that would wait for another program's
    // write.
    QSqlQuery journal(m_database);
    const bool wal = journal.exec(u"PRAGMA journal_mode"_s) && journal.next()
        && journal.value(0).toString() == u"wal";
    journal.finish();
    if (!wal)
        exec("PRAGMA journal_mode=WAL", &error);
    exec("PRAGMA synchronous=FULL", &error);
    // A file of this version is only read to be opened: no write lock.
    if (found < SchemaVersion && !layOut(problem))
        return Opening::Failed;

    m_upsertChild = QSqlQuery(m_database);
    bool prepared
        = m_upsertChild.prepare(u"INSERT INTO children(key, name, last_activity, answers)"
                                " VALUES (?, ?, ?, 1) ON CONFLICT(key) DO UPDATE SET"
                                " name = excluded.name, answers = answers + 1,"
                                " last_activity = max(last_activity, excluded.last_activity)"_s);
    m_nextNumber = QSqlQuery(m_database);
    prepared = prepared
        && m_nextNumber.prepare(u"UPDATE meta SET value = value + 1 WHERE key = 'last_number'"_s);
    m_insertAnswer = QSqlQuery(m_database);
    prepared = prepared
        && m_insertAnswer.prepare(
            u"INSERT INTO answers(child, times_table, multiplier, at, number, utc_offset, typed,"
            " outcome, tenths, mode) VALUES ((SELECT id FROM children WHERE key = ?), ?, ?, ?,"
            " (SELECT value FROM meta WHERE key = 'last_number'), ?, ?, ?, ?, ?)"_s);
    // A statement that cannot be prepared would fail every answer after it:
    // the file is not this program's notebook, whatever its header says.
    return prepared ? Opening::Opened : Opening::NotADatabase;
}

bool NotebookFile::moveAside(const QString &path, NotebookProblem *problem)
{
    const QString stamp = Clock::system().wallNow().toString(u"yyyyMMdd-HHmmss"_s);
    QString aside = path + u".rovinato-"_s + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = path + u".rovinato-"_s + stamp + u'-' + QString::number(n);
    if (!QFile::rename(path, aside)) {
        *problem = { NotebookReason::NotSetAside, path, { aside } };
        return false;
    }
    // Its journal belongs to it, not to the new notebook.
    for (const QString &suffix : { u"-wal"_s, u"-shm"_s }) {
        if (QFileInfo::exists(path + suffix))
            QFile::rename(path + suffix, aside + suffix);
    }
    *problem = { NotebookReason::SetAside, path, { aside } };
    return true;
}

} // namespace Zentovia
