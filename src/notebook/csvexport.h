#pragma once

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
// returns false and sets *problem to an Italian sentence.
bool exportCsv(Notebook &notebook, QIODevice &device, QString *problem);

// The same from any source of answers, oldest first: the class's server.
// whyNot says why forEachAnswer failed.
using AnswerVisit = std::function<bool(const StoredAnswer &)>;
bool exportCsv(const std::function<bool(const AnswerVisit &)> &forEachAnswer,
    const std::function<QString()> &whyNot, QIODevice &device, QString *problem);

} // namespace Zentovia
