#pragma once

#include <cstdio>

namespace Zentovia {

class ServerSettings;

// `zentovia --esporta`: every answer, as a table for a spreadsheet, on out:
// the class's, from its server when one is set, else this computer's
// notebook. A notebook that cannot be read gives one Italian line on stderr
// and status 1; otherwise status 0.
int exportNotebook(const ServerSettings &server, std::FILE *out);

} // namespace Zentovia
