#pragma once

#include "core/problem.h"

#include <QString>

#include <functional>

class QIODevice;

namespace Zentovia {

class Notebook;
struct StoredAnswer;

// Writes every answer of every child, oldest first, as a table that an
// Italian spreadsheet opens as it is: UTF-8 with a byte order mark, fields
// separated by ';', a decimal comma, CR LF line ends, and fields quoted as
// RFC 4180 has it; a field a spreadsheet would take for a formula (it begins
// with =, +, -, @, a tab or a carriage return) is written as text, after an
// apostrophe. Written as it is read, a piece at a time. On failure
// returns false with *problem: NotRead (the source's own problem says why)
// or NotWritten (detail: what the device said).
enum class ExportReason { None, NotRead, NotWritten };
using ExportProblem = Problem<ExportReason>;
bool exportCsv(Notebook &notebook, QIODevice &device, ExportProblem *problem);

// The same from any source of answers, oldest first: the class's server.
using AnswerVisit = std::function<bool(const StoredAnswer &)>;
bool exportCsv(const std::function<bool(const AnswerVisit &)> &forEachAnswer, QIODevice &device,
    ExportProblem *problem);

} // namespace Zentovia
