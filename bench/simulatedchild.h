#pragma once

// A simulated child who answers the facts of one times table, for the
// benchmarks that compare ways of choosing the questions.
//
// Its memory is the activation model of the spacing effect of Pavlik and
// Anderson (2005), "Practice and forgetting effects on vocabulary memory: an
// activation-based model of the spacing effect", Cognitive Science 29,
// 559-586:
//
// - Each practice of a fact leaves a trace; a trace k made t seconds ago adds
//   t^(-d_k) to the fact's strength, and the activation is
//       m = beta + ln(sum over traces of t_k^(-d_k)).
// - A trace's decay depends on the activation when it was made:
//       d_k = c * e^(m_(k-1)) + a,
//   so a practice while the fact is still fresh (massed) fades faster than
//   one after a pause (spaced): the spacing effect.
// - Recall succeeds with probability p = 1 / (1 + e^((tau - m) / s)).
// - A recall takes F * e^(-m) seconds; a failed one F * e^(-tau) before the
//   child gives up and guesses. The child then types the answer and presses
//   Enter: 2 to 4 seconds at 6 to 8 years old, whatever the memory.
// - Time between sessions counts h times its length ("psychological time"):
//   the paper's way of fitting forgetting over days and within a session
//   with one decay rule.
//
// What leaves a trace: a right answer (a successful retrieval), and a wrong
// one, because the wizard then says "Sbagliato" and the product, and hearing
// it is a study of the fact. The paper fits test trials followed by the right
// answer in just this way, one trace per trial whatever its outcome. A skip
// leaves none: nobody says the product. The wrong answer itself leaves
// nothing: the miss stays a miss, and the fact's recall stays as low as it
// was, save for the correction just heard, which fades fast. A child who does
// not recall a fact skips it some of the times (a habit of each child, 10 to
// 30 %) and otherwise guesses wrong.
//
// Constants: c, a, tau, s and h are of the values the paper reports for its
// fits (c about 0.22, a about 0.18, tau about -0.7, s about 0.25, h about
// 0.025). F is the child's: adults in the paper's tasks recall in about a
// second; a child's fact at the threshold of recall takes F * e^0.7, about 4
// s, so that with the typing it is right but past the 6 s of the notebook's
// rule, as the first right answers of a hard fact are.
//
// What the child knows before: the table was met at school three times, a
// week apart, in the three weeks before the first session (three traces), and
// beta, the fact's and the child's own ease: x1 and x10 are rules more than
// memories (+1.5), x2 and x5 are counted on (+0.6), the others 0 (a fact
// takes the easier of its two factors); each child
// has an ability drawn once, normal with a spread of 0.3, and each of its
// facts a further spread of 0.2.
#include "learning/answer.h"

#include <QList>

#include <array>
#include <random>

namespace Zentovia::Bench {

class SimulatedChild
{
public:
    // How this kind of child differs from the paper's fits.
    struct Profile
    {
        double ability = 0; // added to every fact's ease: below 0, a slower learner
        double betweenSessions = 0.025; // h: above the paper's, faster forgetting over days
    };

    // Pavlik and Anderson's constants (see above).
    static constexpr double DecayScale = 0.217; // c
    static constexpr double DecayIntercept = 0.177; // a
    static constexpr double Threshold = -0.704; // tau
    static constexpr double Noise = 0.255; // s
    static constexpr double BetweenSessions = 0.025; // h
    // The child's.
    static constexpr double RecallSeconds = 2.0; // F

    struct Reply
    {
        Outcome outcome = Outcome::Wrong;
        int tenths = 0; // 0 for a skip
    };

    // A child learning table: its ability, typing and habits drawn from seed.
    SimulatedChild(int table, quint64 seed, const Profile &profile);

    // The child answers table x multiplier now.
    Reply answer(int multiplier);
    // Seconds pass within a session.
    void wait(double seconds) { m_now += seconds; }
    // Seconds pass from one session to the next.
    void sleep(double seconds) { m_now += m_betweenSessions * seconds; }

    // The chance that the child recalls table x multiplier now, and after
    // that many seconds asleep with no practice.
    double recall(int multiplier) const { return recallAfter(multiplier, 0); }
    double recallAfter(int multiplier, double asleep) const;

private:
    struct Trace
    {
        double at; // the model's seconds
        double decay;
    };
    double activation(int multiplier, double at) const;
    void practise(int multiplier);

    std::mt19937_64 m_random;
    std::array<QList<Trace>, 10> m_traces;
    std::array<double, 10> m_ease {}; // beta
    double m_typingSeconds = 3;
    double m_skipping = 0.2; // of the facts not recalled
    double m_now = 0; // the model's seconds
    double m_betweenSessions = BetweenSessions;
};

} // namespace Zentovia::Bench
