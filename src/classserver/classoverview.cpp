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

namespace {

// A child of the class as the rows come, under their key.
struct Building
{
    ClassChild child;
    qint64 lastSeconds = 0;
    std::shared_ptr<GridBuilder> grid;
};

// Each child's grid finished, and the children in alphabetical order.
QList<ClassChild> finished(QHash<QByteArray, Building> &children)
{
    QList<ClassChild> list;
    for (Building &b : children) {
        if (b.grid) {
            b.child.grid = b.grid->finish();
            b.child.lastDay = LocalClock::dateOf(b.lastSeconds);
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

} // namespace

std::optional<QList<ClassChild>> readClassOverview(ClassReader &reader, qint64 now)
{
    if (!reader.open())
        return std::nullopt;
    QHash<QByteArray, Building> children;
    const qint64 weekAgo = now - 7 * 86400;
    ClassProblem why;
    // Each fact's latest answers, counted in the order of the grid's index,
    // which the server reads alone, with no sort.
    const bool read = reader.database()->connection().forEachRow(
        "SELECT child_key, times_table, multiplier, extract(epoch FROM at)::bigint, outcome,"
        " tenths FROM (SELECT child_key, times_table, multiplier, at, outcome, tenths,"
        " row_number() OVER w AS n, count(*) OVER w AS total FROM zentovia_answers"
        " WINDOW w AS (PARTITION BY child_key, times_table, multiplier ORDER BY at"
        " ROWS BETWEEN UNBOUNDED PRECEDING AND UNBOUNDED FOLLOWING)) latest"
        " WHERE n > total - $1",
        { QByteArray::number(LatestPerFact) },
        [&](const PGresult *row) {
            Building &b = children[PQgetvalue(row, 0, 0)];
            if (!b.grid)
                b.grid = std::make_shared<GridBuilder>(DefaultFactSeconds, now);
            const qint64 at = PgConnection::number(row, 0, 3);
            b.lastSeconds = std::max(b.lastSeconds, at);
            b.grid->add(int(PgConnection::number(row, 0, 1)), int(PgConnection::number(row, 0, 2)),
                { at, Outcome(PgConnection::number(row, 0, 4)),
                    int(PgConnection::number(row, 0, 5)) });
            return true;
        },
        &why);
    if (!read) {
        reader.failed(why);
        return std::nullopt;
    }
    // The names as last typed.
    const std::optional<QList<Child>> known = reader.children();
    if (!known)
        return std::nullopt;
    const std::optional<QStringList> classList = ClassList::names(*reader.database(), &why);
    if (!classList) {
        reader.failed(why);
        return std::nullopt;
    }
    for (Building &b : children)
        b.child.notOnTheList = !classList->isEmpty();
    for (const QString &name : *classList) {
        Building &b = children[name.toCaseFolded().toUtf8()];
        if (b.child.name.isEmpty())
            b.child.name = name;
        b.child.notOnTheList = false;
        b.child.onTheList = true;
    }
    for (const Child &child : *known) {
        const auto found = children.find(Notebook::shownName(child.name).toCaseFolded().toUtf8());
        if (found != children.end() && !found->child.onTheList)
            found->child.name = child.name;
    }
    const PgResult week
        = reader.database()->connection().exec("SELECT child_key, count(*), sum(tenths) / 10 FROM "
                                               "zentovia_answers WHERE at >= to_timestamp($1)"
                                               " AT TIME ZONE 'UTC' GROUP BY child_key",
            { QByteArray::number(weekAgo) }, &why);
    if (!week) {
        reader.failed(why);
        return std::nullopt;
    }
    for (int row = 0; row < PQntuples(week.get()); ++row) {
        const auto found = children.find(PQgetvalue(week.get(), row, 0));
        if (found == children.end())
            continue;
        found->child.thisWeek = int(PgConnection::number(week.get(), row, 1));
        found->child.thisWeekSeconds = int(PgConnection::number(week.get(), row, 2));
    }
    return finished(children);
}

} // namespace Zentovia
