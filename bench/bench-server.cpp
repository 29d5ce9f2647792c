// A class's notebook on the school's PostgreSQL server (a private one,
// started here): how soon a computer's backlog of 10,000 answers is sent,
// and how soon the teacher's grid of one child is ready when the class of 30
// children has a million answers on the server.
#include "measure.h"

#include "classserver/classdatabase.h"
#include "classserver/classoverview.h"
#include "classserver/classreader.h"
#include "classserver/serversync.h"
#include "learning/localclock.h"
#include "notebook/notebook.h"
#include "support/privatepostgres.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::StringLiterals;
using namespace Zentovia;
using namespace Zentovia::Bench;

namespace {

constexpr int Backlog = 10000;
constexpr int Children = 30;
constexpr int ClassAnswers = 1000000;

double msSince(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

QString childName(int child)
{
    return u"Bambino %1"_s.arg(child + 1);
}

// The class's million answers as COPY's text rows, from 40 computers over
// three school years.
QByteArray classRows(int from, int count)
{
    QByteArray rows;
    rows.reserve(qsizetype(count) * 80);
    const QDateTime start(QDate(2021, 9, 13), QTime(8, 30));
    for (int n = from; n < from + count; ++n) {
        const int child = n % Children;
        const int table = n / Children % 10 + 1;
        const int multiplier = n / (Children * 10) % 10 + 1;
        const QString name = childName(child);
        rows += "pc" + QByteArray::number(n % 40) + '\t' + QByteArray::number(n) + '\t'
            + name.toCaseFolded().toUtf8() + '\t' + name.toUtf8() + '\t' + QByteArray::number(table)
            + '\t' + QByteArray::number(multiplier) + '\t'
            + start.addSecs(qint64(n) * 90).toString(u"yyyy-MM-dd HH:mm:ss"_s).toUtf8() + "\t60\t"
            + QByteArray::number(table * multiplier) + '\t' + QByteArray::number(n % 7 == 0 ? 1 : 0)
            + '\t' + QByteArray::number(n % 80 + 10) + (n % 5 ? "\tgara\n" : "\tripasso\n");
    }
    return rows;
}

// The states, the counts and the facts learned this week of every child of
// the overview: the same digest before and after a change that should not
// move them.
uint statesDigest(const QList<ClassChild> &children)
{
    QByteArray all;
    for (const ClassChild &child : children) {
        all += child.name.toUtf8() + ' ' + QByteArray::number(child.learned) + ' '
            + QByteArray::number(child.thisWeek) + ' ' + QByteArray::number(child.thisWeekSeconds);
        for (const auto &row : child.grid)
            for (const FactSummary &fact : row)
                all += char('0' + int(fact.state))
                    + QByteArray::number(fact.recallInAWeek, 'g', 17);
        for (const Fact &fact : child.learnedThisWeek)
            all += QByteArray::number(fact.table) + 'x' + QByteArray::number(fact.multiplier);
    }
    return qHash(all, 0);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    PrivatePostgres postgres;
    QString why;
    if (!postgres.start(&why) || !postgres.createClass(u"banco"_s, &why)
        || postgres
               .sql(u"postgres"_s,
                   u"CREATE ROLE pc_aula LOGIN IN ROLE zentovia_alunni;"
                   "CREATE ROLE maestra LOGIN IN ROLE zentovia_insegnanti"_s,
                   &why)
               .isNull()
        || !postgres.admit(u"banco"_s, { u"pc_aula"_s, u"maestra"_s }, &why)) {
        std::printf("no server: %s\n", qUtf8Printable(why));
        return 1;
    }
    bool allMet = true;

    // A computer that was cut off for weeks: its backlog, in one go.
    QTemporaryDir dir;
    Notebook notebook(dir.filePath(u"quaderno.sqlite"_s));
    QList<Answer> backlog;
    const QDateTime start(QDate(2024, 1, 8), QTime(9, 0));
    for (int n = 0; n < Backlog; ++n) {
        Answer answer;
        answer.at = start.addSecs(n * 6);
        answer.child = childName(n % Children);
        answer.table = n % 10 + 1;
        answer.multiplier = n / 10 % 10 + 1;
        answer.typed = QString::number(answer.table * answer.multiplier);
        answer.outcome = Outcome::Right;
        answer.tenths = 35;
        backlog.append(answer);
    }
    if (!notebook.add(backlog)) {
        std::printf("no notebook: %s\n", qUtf8Printable(notebook.problem().toDebugString()));
        return 1;
    }
    QElapsedTimer clock;
    clock.start();
    ClassProblem failed;
    std::unique_ptr<ClassDatabase> database
        = ClassDatabase::open(postgres.connection(u"banco"_s, u"pc_aula"_s), 5000, -1, &failed);
    ServerSync sync;
    const std::optional<qint64> sent
        = database ? sync.send(notebook, *database, &failed) : std::nullopt;
    const double sendS = msSince(clock) / 1000;
    if (sent != Backlog) {
        std::printf("send failed (%lld): %s\n", static_cast<long long>(sent.value_or(-1)),
            qUtf8Printable(failed.toDebugString()));
        return 1;
    }
    line("send a backlog of 10,000 answers", sendS, "s", "<= 5", sendS <= 5);
    allMet = allMet && sendS <= 5;

    // The class's million answers, loaded as an administrator would restore
    // them: COPY, a quarter at a time.
    clock.start();
    const QByteArray copy = "COPY zentovia_answers (computer, number, child_key, child,"
                            " times_table, multiplier, at, utc_offset, typed, outcome, tenths,"
                            " mode) FROM STDIN";
    for (int part = 0; part < 4; ++part) {
        if (!postgres.copy(
                u"banco"_s, copy, classRows(part * ClassAnswers / 4, ClassAnswers / 4), &why)) {
            std::printf("copy failed: %s\n", qUtf8Printable(why));
            return 1;
        }
    }
    postgres.sql(u"banco"_s, u"VACUUM ANALYZE zentovia_answers"_s);
    line("load 1,000,000 answers (COPY, VACUUM)", msSince(clock) / 1000, "s", "-", true);

    // The teacher opens one child's grid: the first time, and as usual.
    ClassReader reader(postgres.connection(u"banco"_s, u"maestra"_s));
    QList<double> gridMs;
    for (int run = 0; run < 7; ++run) {
        clock.start();
        const std::optional<FactGrid> grid = reader.grid(childName(run % Children), 6);
        gridMs.append(msSince(clock));
        if (!grid || grid->at(0).at(0).asked == 0) {
            std::printf("no grid: %s\n", qUtf8Printable(reader.problem().toDebugString()));
            return 1;
        }
    }
    const double gridWorst = *std::max_element(gridMs.begin(), gridMs.end());
    line("a child's grid, 1,000,000 answers (median)", median(gridMs), "ms", "-", true);
    line(
        "a child's grid, 1,000,000 answers (worst)", gridWorst, "ms", "<= 1000", gridWorst <= 1000);
    allMet = allMet && gridWorst <= 1000;

    clock.start();
    const std::optional<QList<Child>> children = reader.children();
    line("the class's children, 1,000,000 answers", msSince(clock), "ms", "-", true);

    // The teacher's class at a glance: every child's grid and week; beside
    // it, its floor: the server's reads of the overview alone, each row
    // taken and nothing made of it.
    // The day after the class's last answers, as a teacher looks in term.
    const qint64 now = LocalClock::wallSeconds(QDateTime(QDate(2024, 7, 22), QTime(16, 0)));
    QList<double> overviewMs;
    QList<double> floorMs;
    std::optional<QList<ClassChild>> overview;
    for (int run = 0; run < 3; ++run) {
        clock.start();
        ClassProblem readFailed;
        qint64 rows = 0;
        PgConnection &server = reader.database()->connection();
        server.forEachRow(
            ClassLatestAnswersSql, { QByteArray::number(LatestPerFact) },
            [&rows](const PGresult *) { return ++rows > 0; }, &readFailed);
        server.exec(ClassTypedNamesSql, { QByteArray::number(now - 7 * 86400) }, &readFailed);
        floorMs.append(msSince(clock));
        clock.start();
        overview = readClassOverview(reader, now);
        overviewMs.append(msSince(clock));
        if (!overview || overview->size() != Children || rows != Children * 100 * LatestPerFact) {
            std::printf(
                "no class overview: %s\n", qUtf8Printable(reader.problem().toDebugString()));
            return 1;
        }
    }
    // The first read fits every child; a read again finds the fits made.
    const double overviewFirst = overviewMs.takeFirst();
    line("the class at a glance: its floor, the reads alone (median of 3)", median(floorMs), "ms",
        "-", true);
    line("the class at a glance, 30 children, 1,000,000 answers", overviewFirst, "ms", "<= 1000",
        overviewFirst <= 1000);
    line("the class at a glance read again (median of 2)", median(overviewMs), "ms", "-", true);
    allMet = allMet && overviewFirst <= 1000;
    std::printf("the class at a glance's states, a digest: %08x\n", statesDigest(*overview));
    clock.start();
    qint64 count = 0;
    reader.forEachAnswer([&count](const StoredAnswer &) { return ++count > 0; });
    line("every answer, oldest first (export)", msSince(clock) / 1000, "s", "-", true);
    if (!children || children->size() != Children || count != ClassAnswers + Backlog) {
        std::printf(
            "the class read back wrong: %s\n", qUtf8Printable(reader.problem().toDebugString()));
        return 1;
    }
    return allMet ? 0 : 1;
}
