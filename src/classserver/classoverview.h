#pragma once

#include "core/factsource.h"
#include "learning/factstate.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

namespace Zentovia {

class ClassReader;

// One child of the class at a glance.
struct ClassChild
{
    QString name; // as the class list has it, or else as most often typed
    QDate lastDay;
    int thisWeek = 0; // questions answered in the last seven days
    int thisWeekSeconds = 0; // the time they took to answer them
    int learned = 0; // facts "imparato"
    // Not on the class list (when there is one): a name typed otherwise.
    bool notOnTheList = false;
    bool onTheList = false; // on the class list, whether or not they played
    FactGrid grid;
    // The facts "imparato" now that were not seven days ago, for the page
    // printed for the parents.
    QList<Fact> learnedThisWeek;
    // The names the teacher joined to this child, as typed: each can be
    // parted again.
    QStringList joined;
};

// The whole class for the teacher, in one read of the server: each child's
// grid from the latest answers of each fact (enough for the memory model
// over the weeks that matter), the last day played and this week's
// questions; with the children of the class list who have not played yet
// (no last day); alphabetical. now: the moment the states are for (wall
// seconds). The teacher's login alone; nullopt with the reader's problem.
inline constexpr int LatestPerFact = 12;
std::optional<QList<ClassChild>> readClassOverview(ClassReader &reader, qint64 now);

// What the overview asks of the server, in its reads of the answers: each
// fact's latest answers ($1 of them), and
// each name as typed with this week's questions and time ($1 the wall
// seconds of a week ago). The benchmark times them alone, as the floor of
// the overview.
extern const char *const ClassLatestAnswersSql;
extern const char *const ClassTypedNamesSql;

} // namespace Zentovia
