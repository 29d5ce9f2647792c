#pragma once

#include <QRect>

namespace Zentovia {

// The window's places and sizes are given in twips, 15 to a logical pixel.
constexpr int TwipsPerPixel = 15;

constexpr int fromTwips(int twips)
{
    return (twips + TwipsPerPixel / 2) / TwipsPerPixel;
}

constexpr QRect fromTwips(const QRect &twips)
{
    return QRect(fromTwips(twips.x()), fromTwips(twips.y()), fromTwips(twips.width()),
        fromTwips(twips.height()));
}

} // namespace Zentovia
