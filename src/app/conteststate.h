#pragma once

#include "app/int16.h"

#include <QString>

namespace Zentovia {

// The contest's variables. They belong to the window and live as long as it
// does; everything starts at 0 or empty.
struct ContestState
{
    Int16 esatte; // correct answers of the contest
    Int16 errate; // wrong answers of the contest
    Int16 fattore1; // first factor of the question, always 5
    Int16 moltiplicatore; // second factor, 1..10
    Int16 risultato; // fattore1 x moltiplicatore
    Int16 tinta; // 1..10, the green of the background gradient
    Int16 ore; // the countdown clock
    Int16 minuti;
    float secondi = 0.0f; // whole seconds, 0..59 between ticks
    Int16 secondiRestanti; // seconds left in the contest
    QString dirWindows; // the record folder, ending with a separator
    Int16 numFile; // handle number of the record file being created or written
};

} // namespace Zentovia
