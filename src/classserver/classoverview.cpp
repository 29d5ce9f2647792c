#include "classserver/classoverview.h"

#include "classserver/classdatabase.h"
#include "classserver/classlist.h"
#include "classserver/classreader.h"
#include "learning/localclock.h"
#include "notebook/notebook.h"

#include <QHash>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace Zentovia {

// The children by a skip along the index (one look-up each), then each fact's
// latest answers off the index, oldest first.
const char *const ClassLatestAnswersSql
    = "WITH RECURSIVE children (child_key) AS ("
      " (SELECT child_key FROM zentovia_answers ORDER BY child_key LIMIT 1)"
      " UNION ALL SELECT (SELECT a.child_key FROM zentovia_answers a"
      " WHERE a.child_key > c.child_key ORDER BY a.child_key LIMIT 1)"
      " FROM children c WHERE c.child_key IS NOT NULL)"
      " SELECT c.child_key, t, m, extract(epoch FROM l.at)::bigint, l.outcome, l.tenths"
      " FROM children c, generate_series(1, 10) t, generate_series(1, 10) m,"
      " LATERAL (SELECT * FROM (SELECT at, outcome, tenths FROM zentovia_answers"
      " WHERE child_key = c.child_key AND times_table = t AND multiplier = m"
      " ORDER BY at DESC LIMIT $1) latest ORDER BY at) l"
      " WHERE c.child_key IS NOT NULL";

// The wall seconds of a week ago are read as the local clock's time they
// stand for, whatever the server's time zone. An answer a join brought counts
// under the name the teacher gave.
const char *const ClassTypedNamesSql
    = "WITH week AS (SELECT to_timestamp($1) AT TIME ZONE 'UTC' AS w)"
      " SELECT child_key, child, sum(n), sum(recent), sum(tenths) FROM ("
      " SELECT child_key, child, count(*) AS n, count(*) FILTER (WHERE at >= w) AS recent,"
      " coalesce(sum(tenths) FILTER (WHERE at >= w), 0) AS tenths FROM zentovia_answers, week"
      " WHERE joined_from IS NULL GROUP BY child_key, child"
      " UNION ALL SELECT a.child_key, r.new_name, count(*), count(*) FILTER (WHERE at >= w),"
      " coalesce(sum(tenths) FILTER (WHERE at >= w), 0)"
      " FROM zentovia_answers a JOIN zentovia_renamed r ON r.child_key = a.joined_from, week"
      " WHERE a.joined_from IS NOT NULL GROUP BY 1, 2) named GROUP BY 1, 2";

namespace {

// A child's grid and the facts learned this week, made from the child's
// answers alone.
struct Made
{
    FactGrid grid;
    QList<Fact> learnedThisWeek;
};

struct Building
{
    ClassChild child;
    qint64 lastSeconds = 0;
    std::shared_ptr<GridBuilder> grid;
    std::shared_ptr<Made> made; // made from grid, on any thread
    int typedMost = 0; // the answers under the name shown
};
using Children = QHash<QByteArray, Building>;

// Each child's own time for a fact, as the teacher set it: the states are
// those of the child's own grid.
std::optional<QHash<QByteArray, int>> readFactSeconds(PgConnection &server, ClassProblem *why)
{
    const PgResult own = server.exec(
        "SELECT child_key, fact_seconds FROM zentovia_children WHERE fact_seconds IS NOT NULL",
        why);
    if (!own)
        return std::nullopt;
    QHash<QByteArray, int> factSeconds;
    for (int row = 0; row < PQntuples(own.get()); ++row)
        factSeconds.insert(
            PQgetvalue(own.get(), row, 0), int(PgConnection::number(own.get(), row, 1)));
    return factSeconds;
}

// Each fact's latest answers.
bool readLatestAnswers(PgConnection &server, const QHash<QByteArray, int> &factSeconds, qint64 now,
    Children &children, ClassProblem *why)
{
    return server.forEachRow(
        ClassLatestAnswersSql, { QByteArray::number(LatestPerFact) },
        [&](const PGresult *row) {
            const QByteArray key = PQgetvalue(row, 0, 0);
            Building &b = children[key];
            if (!b.grid) {
                b.grid = std::make_shared<GridBuilder>(
                    factSeconds.value(key, DefaultFactSeconds), now);
                b.made = std::make_shared<Made>();
            }
            const qint64 at = PgConnection::number(row, 0, 3);
            b.lastSeconds = std::max(b.lastSeconds, at);
            b.grid->add(int(PgConnection::number(row, 0, 1)), int(PgConnection::number(row, 0, 2)),
                { at, Outcome(PgConnection::number(row, 0, 4)),
                    int(PgConnection::number(row, 0, 5)) });
            return true;
        },
        why);
}

void addClassList(const QStringList &classList, Children &children)
{
    for (Building &b : children)
        b.child.notOnTheList = !classList.isEmpty();
    for (const QString &name : classList) {
        Building &b = children[Notebook::childKey(name).toUtf8()];
        b.child.name = name;
        b.child.notOnTheList = false;
        b.child.onTheList = true;
    }
}

// In one pass: each name as typed, how often, and this week's questions and
// time.
bool readTypedNames(PgConnection &server, qint64 weekAgo, Children &children, ClassProblem *why)
{
    const PgResult typed = server.exec(ClassTypedNamesSql, { QByteArray::number(weekAgo) }, why);
    if (!typed)
        return false;
    for (int row = 0; row < PQntuples(typed.get()); ++row) {
        const auto found = children.find(PQgetvalue(typed.get(), row, 0));
        if (found == children.end())
            continue;
        ClassChild &child = found->child;
        const int times = int(PgConnection::number(typed.get(), row, 2));
        if (!child.onTheList && times > found->typedMost) {
            found->typedMost = times;
            child.name = PgConnection::text(typed.get(), row, 1);
        }
        child.thisWeek += int(PgConnection::number(typed.get(), row, 3));
        child.thisWeekSeconds += int(PgConnection::number(typed.get(), row, 4)); // tenths
    }
    return true;
}

// The names joined to each child, as typed, that a join can be undone for.
bool readJoinedNames(PgConnection &server, Children &children, ClassProblem *why)
{
    const PgResult joined = server.exec(
        "SELECT r.new_key, coalesce((SELECT a.child FROM zentovia_answers a"
        " WHERE a.joined_from = r.child_key LIMIT 1), r.child_key) FROM zentovia_renamed r"
        " ORDER BY 2",
        why);
    if (!joined)
        return false;
    for (int row = 0; row < PQntuples(joined.get()); ++row) {
        const auto found = children.find(PQgetvalue(joined.get(), row, 0));
        if (found != children.end())
            found->child.joined.append(PgConnection::text(joined.get(), row, 1));
    }
    return true;
}

void makeGrid(const GridBuilder &builder, qint64 weekAgo, Made &made)
{
    made.grid = builder.finish();
    // What the page for the parents needs: the grid of a week ago, with the
    // fits already made.
    const FactGrid then = builder.finishAt(weekAgo, made.grid);
    for (int fact = 0; fact < 100; ++fact) {
        if (made.grid.at(fact / 10).at(fact % 10).state == FactState::Learned
            && then.at(fact / 10).at(fact % 10).state != FactState::Learned)
            made.learnedThisWeek.append({ fact / 10 + 1, fact % 10 + 1 });
    }
}

// The children's grids made on every core, from the moment their answers
// are read, while the server answers the overview's other questions.
class GridWork
{
public:
    GridWork(const Children &children, qint64 weekAgo)
        : m_weekAgo(weekAgo)
    {
        for (const Building &b : children)
            if (b.grid)
                m_jobs.push_back({ b.grid, b.made });
        const std::size_t threads = std::max(1U, std::thread::hardware_concurrency());
        for (std::size_t i = 0; i < threads && i < m_jobs.size(); ++i)
            m_threads.emplace_back([this] { work(); });
    }
    ~GridWork()
    {
        m_next = m_jobs.size(); // what is left is not wanted
        finish();
    }
    GridWork(const GridWork &) = delete;
    GridWork &operator=(const GridWork &) = delete;

    // Once every grid is made, this thread helping.
    void finish()
    {
        work();
        for (std::thread &thread : m_threads)
            thread.join();
        m_threads.clear();
    }

private:
    void work()
    {
        for (std::size_t i = m_next++; i < m_jobs.size(); i = m_next++)
            makeGrid(*m_jobs.at(i).first, m_weekAgo, *m_jobs.at(i).second);
    }

    qint64 m_weekAgo;
    std::vector<std::pair<std::shared_ptr<GridBuilder>, std::shared_ptr<Made>>> m_jobs;
    std::atomic<std::size_t> m_next = 0;
    std::vector<std::thread> m_threads;
};

void finishChild(Building &b)
{
    b.child.thisWeekSeconds /= 10;
    if (b.grid) {
        b.child.grid = b.made->grid;
        b.child.learnedThisWeek = b.made->learnedThisWeek;
        b.child.lastDay = LocalClock::dateOf(b.lastSeconds);
    }
    for (const auto &tableRow : b.child.grid)
        for (const FactSummary &fact : tableRow)
            b.child.learned += fact.state == FactState::Learned ? 1 : 0;
}

} // namespace

std::optional<QList<ClassChild>> readClassOverview(ClassReader &reader, qint64 now)
{
    if (!reader.open())
        return std::nullopt;
    PgConnection &server = reader.database()->connection();
    ClassProblem why;
    Children children;
    const qint64 weekAgo = now - 7 * 86400;
    const std::optional<QHash<QByteArray, int>> factSeconds = readFactSeconds(server, &why);
    std::optional<QStringList> classList;
    if (!factSeconds || !readLatestAnswers(server, *factSeconds, now, children, &why)) {
        reader.failed(why);
        return std::nullopt;
    }
    GridWork grids(children, weekAgo);
    if (!(classList = ClassList::names(*reader.database(), &why))) {
        reader.failed(why);
        return std::nullopt;
    }
    addClassList(*classList, children);
    if (!readTypedNames(server, weekAgo, children, &why)
        || !readJoinedNames(server, children, &why)) {
        reader.failed(why);
        return std::nullopt;
    }
    grids.finish();
    QList<ClassChild> list;
    for (Building &b : children) {
        finishChild(b);
        list << b.child;
    }
    std::sort(list.begin(), list.end(), [](const ClassChild &a, const ClassChild &b) {
        return a.name.localeAwareCompare(b.name) < 0;
    });
    return list;
}

} // namespace Zentovia
