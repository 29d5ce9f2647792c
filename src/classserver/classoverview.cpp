#include "classserver/classoverview.h"

#include "classserver/classdatabase.h"
#include "classserver/classlist.h"
#include "classserver/classreader.h"
#include "learning/localclock.h"
#include "notebook/notebook.h"

#include <QHash>

#include <algorithm>
#include <memory>

namespace Zentovia {

std::optional<QList<ClassChild>> readClassOverview(ClassReader &reader, qint64 now)
{
    if (!reader.open())
        return std::nullopt;
    struct Building
    {
        ClassChild child;
        qint64 lastSeconds = 0;
        std::shared_ptr<GridBuilder> grid;
        int typedMost = 0; // the answers under the name shown
    };
    QHash<QByteArray, Building> children;
    const qint64 weekAgo = now - 7 * 86400;
    PgConnection &server = reader.database()->connection();
    ClassProblem why;
    const auto failed = [&] {
        reader.failed(why);
        return std::nullopt;
    };
    // Each child's own time for a fact, as the teacher set it: the states
    // are those of the child's own grid.
    const PgResult own = server.exec(
        "SELECT child_key, fact_seconds FROM zentovia_children WHERE fact_seconds IS NOT NULL",
        &why);
    if (!own)
        return failed();
    QHash<QByteArray, int> factSeconds;
    for (int row = 0; row < PQntuples(own.get()); ++row)
        factSeconds.insert(
            PQgetvalue(own.get(), row, 0), int(PgConnection::number(own.get(), row, 1)));
    // Each fact's latest answers, counted in the order of the grid's index,
    // which the server reads alone, with no sort.
    const bool read = server.forEachRow(
        "SELECT child_key, times_table, multiplier, extract(epoch FROM at)::bigint, outcome,"
        " tenths FROM (SELECT child_key, times_table, multiplier, at, outcome, tenths,"
        " row_number() OVER w AS n, count(*) OVER w AS total FROM zentovia_answers"
        " WINDOW w AS (PARTITION BY child_key, times_table, multiplier ORDER BY at"
        " ROWS BETWEEN UNBOUNDED PRECEDING AND UNBOUNDED FOLLOWING)) latest"
        " WHERE n > total - $1",
        { QByteArray::number(LatestPerFact) },
        [&](const PGresult *row) {
            const QByteArray key = PQgetvalue(row, 0, 0);
            Building &b = children[key];
            if (!b.grid) {
                const int seconds = factSeconds.value(key, DefaultFactSeconds);
                b.grid = std::make_shared<GridBuilder>(seconds, now);
            }
            const qint64 at = PgConnection::number(row, 0, 3);
            b.lastSeconds = std::max(b.lastSeconds, at);
            const int table = int(PgConnection::number(row, 0, 1));
            const int multiplier = int(PgConnection::number(row, 0, 2));
            const Attempt attempt { at, Outcome(PgConnection::number(row, 0, 4)),
                int(PgConnection::number(row, 0, 5)) };
            b.grid->add(table, multiplier, attempt);
            return true;
        },
        &why);
    if (!read)
        return failed();
    const std::optional<QStringList> classList = ClassList::names(*reader.database(), &why);
    if (!classList)
        return failed();
    for (Building &b : children)
        b.child.notOnTheList = !classList->isEmpty();
    for (const QString &name : *classList) {
        Building &b = children[Notebook::childKey(name).toUtf8()];
        b.child.name = name;
        b.child.notOnTheList = false;
        b.child.onTheList = true;
    }
    // In one pass: each name as typed, how often, and this week's questions
    // and time. The wall seconds of a week ago are read as the local clock's
    // time they stand for, whatever the server's time zone.
    const PgResult typed = server.exec(
        "SELECT child_key, child, count(*), count(*) FILTER (WHERE at >= w),"
        " coalesce(sum(tenths) FILTER (WHERE at >= w), 0)"
        " FROM zentovia_answers, (SELECT to_timestamp($1) AT TIME ZONE 'UTC' AS w) week"
        " GROUP BY child_key, child",
        { QByteArray::number(weekAgo) }, &why);
    if (!typed)
        return failed();
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
    QList<ClassChild> list;
    for (Building &b : children) {
        b.child.thisWeekSeconds /= 10;
        if (b.grid) {
            b.child.grid = b.grid->finish();
            b.child.lastDay = LocalClock::dateOf(b.lastSeconds);
            // What the page for the parents needs: the grid of a week ago,
            // with the fits already made.
            const FactGrid then = b.grid->finishAt(weekAgo, b.child.grid);
            for (int fact = 0; fact < 100; ++fact) {
                if (b.child.grid.at(fact / 10).at(fact % 10).state == FactState::Learned
                    && then.at(fact / 10).at(fact % 10).state != FactState::Learned)
                    b.child.learnedThisWeek.append({ fact / 10 + 1, fact % 10 + 1 });
            }
        }
        for (const auto &tableRow : b.child.grid)
            for (const FactSummary &fact : tableRow)
                b.child.learned += fact.state == FactState::Learned ? 1 : 0;
        list << b.child;
    }
    std::sort(list.begin(), list.end(), [](const ClassChild &a, const ClassChild &b) {
        return a.name.localeAwareCompare(b.name) < 0;
    });
    return list;
}

} // namespace Zentovia
