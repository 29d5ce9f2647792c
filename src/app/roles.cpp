#include "app/roles.h"

#include <iterator>
#include <utility>

namespace Zentovia {

namespace {

// Every role with its control's name in the form, in the order of Role.
constexpr std::pair<Role, const char *> Names[] = {
    { Role::CorrectCaption, "Label6" },
    { Role::CorrectCount, "lblScore" },
    { Role::WrongCaption, "Label1" },
    { Role::WrongCount, "lblScore1" },
    { Role::TotalCaption, "Label3" },
    { Role::TotalCount, "lblScore2" },
    { Role::Verdict, "lblMessage" },
    { Role::ClockCaption, "Label11" },
    { Role::Clock, "lblconto" },
    { Role::Hourglass, "Image1" },
    { Role::AnswerBox, "Text3" },
    { Role::NextButton, "cmdNext" },
    { Role::ExitButton, "cmdExit1" },
    { Role::PlayerCaption, "Label14" },
    { Role::Player, "lblnome1" },
    { Role::RecordCaption, "Label12" },
    { Role::RecordHolder, "lblnome" },
    { Role::PointsCaption, "Label13" },
    { Role::RecordPoints, "lblpunti" },
    { Role::Factor, "lblNum1" },
    { Role::Times, "Label10" },
    { Role::Multiplier, "lblNum2" },
    { Role::FactorField, "Text1" },
    { Role::MultiplierWords, "Text6" },
    { Role::ProductField, "Text7" },
    { Role::PlayerField, "Txtnome1" },
    { Role::CheckButton, "Command3" },
    { Role::Ticker, "Timer1" },
};

constexpr bool inRoleOrder()
{
    for (std::size_t i = 0; i < std::size(Names); ++i)
        if (Names[i].first != Role(i))
            return false;
    return std::size(Names) == std::size_t(Role::Ticker) + 1;
}
static_assert(inRoleOrder(), "every role, once, in the order of Role");

} // namespace

QString formName(Role role)
{
    return QString::fromLatin1(Names[std::size_t(role)].second);
}

} // namespace Zentovia
