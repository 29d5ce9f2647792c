#pragma once

#include "classserver/classproblem.h"

namespace Zentovia {

// libpq is opened when the class's server is first needed, not when the
// program starts: the name box does not wait for it, nor for the security
// libraries it brings, and a computer with no server set never loads it.
// libpqloader.cpp defines libpq's functions that the program calls; each
// opens the library at its first call and goes on to it.
//
// Whether libpq could be opened; when not, *why says so (NoLibpq), and
// every function of libpq called fails as libpq says it does without memory
// (a null connection or result, a bad status). Callers ask this first, to
// say why.
bool libpqAvailable(ClassProblem *why);

} // namespace Zentovia
