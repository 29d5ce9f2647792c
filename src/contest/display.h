#pragma once

#include <QString>

namespace Zentovia {

// Numbers as the window shows them. The patterns "#0", "###0" and "####0"
// give the plain decimal digits; "00" gives at least two digits, with a
// leading zero.
QString formatNumber(qint64 value, QStringView pattern);

// The clock's text: hours, minutes and seconds, each with "00", joined by ':'.
QString clockText(qint64 ore, qint64 minuti, qint64 secondi);

} // namespace Zentovia
