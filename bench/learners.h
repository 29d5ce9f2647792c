#pragma once

// The simulated learners bench-learning judges the ways of choosing questions
// on. Each holds a memory of its own, which the schedulers never see: they see
// the answers alone, as the program does.
//
// - "attivazione": the activation model of the spacing effect (Pavlik and
//   Anderson 2005; see simulatedchild.h), with the paper's constants.
// - "lenti, weekend": the same model for slower learners (every fact's ease
//   0.5 lower) who forget faster over days (psychological time between
//   sessions 0.05 instead of 0.025), and who play on school days alone.
// - "esponenziale": an exponential-forgetting model of difficulty and
//   stability, of another kind than the program's own (whose forgetting is a
//   power law): each fact's recall is R = 0.9^(t / S), t in days. A recall
//   raises S by a factor that grows with how much had been forgotten
//   (1 + 3 * (11 - D) / 10 * (1 - R)^0.8), a retry of the day by 5 %; a miss,
//   followed by the product heard, sets S to a third of what it was and at
//   least 0.15 day. D, from 2 to 9, is the fact's own: easy facts (x1, x2,
//   x5, x10) lower. The school's three lessons before the first session
//   leave S between 0.3 and 2 days. The latency grows as R falls:
//   1 + 5 * (1 - R) seconds to recall, then the typing, as for the other
//   model; a fact not recalled is skipped or answered wrong the same way.
//   (After Ebbinghaus's exponential curve and the DSR model of Wozniak;
//   its constants are ours, chosen to learn the table in a few weeks.)
// - "oblio veloce": the activation model for children of the paper's ease
//   who forget faster over days (psychological time between sessions 0.06,
//   more than twice the paper's), playing every day.
// - "esponenziale, weekend": the exponential learner above, playing on
//   school days alone: two nights more of exponential forgetting each week.
#include "simulatedchild.h"

#include <memory>

namespace Zentovia::Bench {

class Learner
{
public:
    virtual ~Learner() = default;
    virtual SimulatedChild::Reply answer(int multiplier) = 0;
    // The true chance of recall now, and after that many seconds with no
    // practice (asleep).
    virtual double recallAfter(int multiplier, double asleep) const = 0;
    virtual void wait(double seconds) = 0;
    virtual void sleep(double seconds) = 0;
};

enum class LearnerKind {
    Activation,
    SlowWeekends,
    Exponential,
    FastForgetting,
    ExponentialWeekends
};
inline constexpr LearnerKind LearnerKinds[] = { LearnerKind::Activation, LearnerKind::SlowWeekends,
    LearnerKind::Exponential, LearnerKind::FastForgetting, LearnerKind::ExponentialWeekends };
const char *learnerName(LearnerKind kind);
// Whether this kind plays on Saturdays and Sundays too.
bool playsOnWeekends(LearnerKind kind);
std::unique_ptr<Learner> makeLearner(LearnerKind kind, int table, quint64 seed);

} // namespace Zentovia::Bench
