#pragma once

#include <cstdio>

namespace Zentovia {

// `zentovia --esporta`: every answer of the notebook on this computer, as a
// table for a spreadsheet, on out. A notebook that cannot be read gives one
// Italian line on stderr and status 1; otherwise status 0.
int exportNotebook(std::FILE *out);

} // namespace Zentovia
