#pragma once

#include <QDateTime>

namespace Zentovia::LocalClock {

// The notebook keeps times as the clock on the wall read them: seconds since
// 1970-01-01 00:00 of the local clock. A day is then a plain division, with no
// time zone looked up for each of a million answers.
qint64 wallSeconds(const QDateTime &at);
QDateTime fromWallSeconds(qint64 seconds);
// The day of a wall time, counted from 1970-01-01.
inline qint64 wallDay(qint64 seconds)
{
    return seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
}
QDate dateOf(qint64 seconds);

} // namespace Zentovia::LocalClock
