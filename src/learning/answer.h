#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace Zentovia {

// A question skipped is one left unanswered when the next one was asked.
enum class Outcome { Right, Wrong, Skipped };

// The two ways of playing: a contest against the clock, and a ripasso.
// The notebook keeps them as these numbers.
enum class Mode { Contest = 0, Practice = 1 };

// "gara" and "ripasso", as the notebook's export and the class's server name
// them.
QString modeName(Mode mode);
// The mode of such a name; nullopt for any other text.
std::optional<Mode> modeNamed(QStringView name);

// One answer of one child, as the notebook keeps it for good.
struct Answer
{
    QDateTime at; // when it was given, local time
    QString child; // the name as typed
    int table = 0; // 1..10
    int multiplier = 0; // 1..10
    QString typed;
    Outcome outcome = Outcome::Wrong;
    int tenths = 0; // from the question shown to Enter
    Mode mode = Mode::Contest;
    // Unique among all the notebooks of all computers, so that a later
    // gathering of notebooks keeps each answer once: the notebook's own
    // random number and the answer's number in it. Set by the notebook when
    // it reads the answer back; empty before.
    QString id;
};

} // namespace Zentovia
