#include "learning/localclock.h"

namespace Zentovia::LocalClock {

namespace {

constexpr qint64 JulianDayOf1970 = 2440588;

} // namespace

qint64 wallSeconds(const QDateTime &at)
{
    const QDateTime local = at.toLocalTime();
    return (local.date().toJulianDay() - JulianDayOf1970) * 86400
        + local.time().msecsSinceStartOfDay() / 1000;
}

QDate dateOf(qint64 seconds)
{
    return QDate::fromJulianDay(JulianDayOf1970 + wallDay(seconds));
}

QDateTime fromWallSeconds(qint64 seconds)
{
    const qint64 secondOfDay = seconds - wallDay(seconds) * 86400;
    return QDateTime(dateOf(seconds), QTime::fromMSecsSinceStartOfDay(int(secondOfDay) * 1000));
}

} // namespace Zentovia::LocalClock
