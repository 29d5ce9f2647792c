#pragma once

namespace Zentovia {

struct CommandLine;
class ServerSettings;

// `zentovia --classe ...`, the teacher's: the class list imported from a
// CSV file or shown, and the tables for the week. Says what it did on
// stdout, or what went wrong on stderr; status 0, or 1.
int runClassCommand(const CommandLine &commandLine, const ServerSettings &server);

} // namespace Zentovia
