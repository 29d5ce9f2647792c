// Makes a child's notebook of many answers to measure it: a class of thirty
// children over ten school years, each playing on about half of the school
// days, right most of the time and more so as the years go by.
//
//   make-notebook PATH [ANSWERS]   (1000000 answers unless told)
#include "notebook/notebook.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;
using namespace Zentovia;

namespace {

const QStringList Names { u"Giulia"_s, u"Marco"_s, u"Sofia"_s, u"Luca"_s, u"Aurora"_s, u"Matteo"_s,
    u"Alice"_s, u"Leonardo"_s, u"Ginevra"_s, u"Francesco"_s, u"Emma"_s, u"Lorenzo"_s, u"Giorgia"_s,
    u"Alessandro"_s, u"Beatrice"_s, u"Andrea"_s, u"Vittoria"_s, u"Tommaso"_s, u"Ludovica"_s,
    u"Riccardo"_s, u"Chiara"_s, u"Gabriele"_s, u"Anna"_s, u"Edoardo"_s, u"Martina"_s, u"Pietro"_s,
    u"Noemi"_s, u"Davide"_s, u"Bianca"_s, u"D'Angelo Maria"_s };

constexpr int BatchSize = 100000;

// Seconds with a long tail, as children answer: mostly 2 to 8.
int tenths(QRandomGenerator &random, double typical)
{
    const double u = std::max(1e-9, random.generateDouble());
    const double v = random.generateDouble();
    const double normal = std::sqrt(-2 * std::log(u)) * std::cos(2 * M_PI * v);
    return std::clamp(int(typical * std::exp(0.5 * normal)), 5, 600);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Read the time zone once, not at each of the million local times made.
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
    if (argc < 2) {
        std::fprintf(stderr, "usage: make-notebook PATH [ANSWERS]\n");
        return 2;
    }
    const QString path = QFile::decodeName(argv[1]);
    const qint64 total = argc > 2 ? std::atoll(argv[2]) : 1000000;
    QRandomGenerator random(20150914);
    Notebook notebook(path);

    QElapsedTimer clock;
    clock.start();
    qint64 made = 0;
    QList<Answer> batch;
    QList<Answer> day;
    for (QDate date(2015, 9, 14); made < total; date = date.addDays(1)) {
        if (date.dayOfWeek() > 5 || date.month() == 7 || date.month() == 8)
            continue;
        const double years
            = date.toJulianDay() / 365.25 - QDate(2015, 9, 14).toJulianDay() / 365.25;
        day.clear();
        for (const QString &name : Names) {
            if (random.bounded(100) >= 50)
                continue;
            QDateTime at(date, QTime(8, 30).addSecs(random.bounded(8 * 3600)));
            const bool contest = random.bounded(10) < 7;
            for (int question = 0; question < 34; ++question) {
                Answer answer;
                answer.child = name;
                answer.table = 1 + random.bounded(10);
                answer.multiplier = 1 + random.bounded(10);
                const int roll = random.bounded(1000);
                const int right = 600 + std::min(350, int(years * 40));
                answer.outcome = roll < right               ? Outcome::Right
                    : roll < right + (1000 - right) * 2 / 3 ? Outcome::Wrong
                                                            : Outcome::Skipped;
                const int product = answer.table * answer.multiplier;
                answer.typed = answer.outcome == Outcome::Right ? QString::number(product)
                    : answer.outcome == Outcome::Wrong
                    ? QString::number(product + 1 + random.bounded(9))
                    : QString();
                answer.tenths = tenths(random, answer.outcome == Outcome::Right ? 40 : 70);
                answer.mode = contest ? Mode::Contest : Mode::Practice;
                at = at.addSecs(answer.tenths / 10 + 3);
                answer.at = at;
                day.append(answer);
            }
        }
        std::sort(
            day.begin(), day.end(), [](const Answer &a, const Answer &b) { return a.at < b.at; });
        for (const Answer &answer : std::as_const(day)) {
            if (made == total)
                break;
            batch.append(answer);
            ++made;
        }
        if (batch.size() >= BatchSize || made == total) {
            if (!notebook.add(batch)) {
                std::fprintf(stderr, "%s\n", qUtf8Printable(notebook.problem().toDebugString()));
                return 1;
            }
            batch.clear();
        }
    }
    std::printf(
        "%lld answers written to %s in %.1f s\n", made, argv[1], double(clock.elapsed()) / 1000);
    return 0;
}
