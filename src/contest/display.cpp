#include "contest/display.h"

namespace Zentovia {

QString formatNumber(qint64 value, QStringView pattern)
{
    // Every '0' in a pattern is a digit that is always shown; '#' shows only
    // when needed.
    const auto shown = pattern.count(u'0');
    const QString digits = QString::number(value < 0 ? -value : value);
    QString text = digits.size() < shown ? QString(shown - digits.size(), u'0') + digits : digits;
    return value < 0 ? u'-' + text : text;
}

QString clockText(qint64 ore, qint64 minuti, qint64 secondi)
{
    return formatNumber(ore, u"00") + u':' + formatNumber(minuti, u"00") + u':'
        + formatNumber(secondi, u"00");
}

} // namespace Zentovia
