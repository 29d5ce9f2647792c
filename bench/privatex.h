#pragma once

namespace Zentovia::Bench {

// Runs this benchmark again inside a private X server of its own
// (tests/e2e/in-xvfb.sh), unless it already runs in one. Returns only there;
// outside, this process is replaced.
void enterPrivateX(char **argv);

// One line of a benchmark's report: the figure, its floor or goal, and
// whether the goal is met.
void report(const char *what, double value, const char *unit, const char *against, bool met);

} // namespace Zentovia::Bench
