#pragma once

#include <QString>

namespace Zentovia {

// What each control of the window is for. The code names controls by role;
// each control carries its form's name as its object name, which the
// end-to-end test goes by (screen readers go by the accessible names).
enum class Role {
    CorrectCaption,
    CorrectCount, // the contest's score
    WrongCaption,
    WrongCount,
    TotalCaption,
    TotalCount,
    Verdict,
    ClockCaption,
    Clock,
    Hourglass,
    AnswerBox,
    NextButton,
    ExitButton,
    PlayerCaption,
    Player,
    RecordCaption,
    RecordHolder,
    PointsCaption,
    RecordPoints,
    Factor, // the question line: factor, times sign, multiplier
    Times,
    Multiplier,
    FactorField, // hidden fields that mirror the question and the player
    MultiplierWords,
    ProductField,
    PlayerField,
    CheckButton, // hidden: judges the answer
    Ticker, // the clock's one-second timer
};

// The form's name of the control with this role.
QString formName(Role role);

} // namespace Zentovia
