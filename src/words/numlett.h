#pragma once

#include <QString>
#include <QtGlobal>

namespace Zentovia {

// The Italian words of a number, written as one lower-case word with no
// spaces and no accents, the way the wizard says the multiplier ("trentacinque").
// The number is a count of ten-thousandths (a fixed-point value with four
// decimals): 70000 is 7. The fraction is dropped, never rounded.
// Below 1: the empty text. 10^12 and more: raises Failure.
QString numlett(qint64 numer);

// Converts a text to that fixed-point count, as the window's hidden field
// holds it ("7" -> 70000, "2.75" -> 27500): an optional sign, digits, an
// optional '.' and decimals (beyond the fourth they are dropped), blanks
// around it allowed. Raises Failure, naming the text, when it is not a number
// or does not fit.
qint64 toFixedPoint(const QString &text);

} // namespace Zentovia
