#pragma once

#include <QString>

namespace Zentovia {

// libpq is opened when the class's server is first needed, not when the
// program starts: the name box does not wait for it, nor for the security
// libraries it brings, and a computer with no server set never loads it.
// libpqloader.cpp defines libpq's functions that the notebook calls; each
// goes on to the library opened here.
//
// Whether libpq could be opened; when not, *why says so in Italian. Call it
// before anything else of libpq: without it, the functions do nothing.
bool libpqAvailable(QString *why);

} // namespace Zentovia
