#pragma once

#include <QFont>

#include <algorithm>

namespace Zentovia {

// The notebook's window and its printed page write in Liberation Sans, plain
// or bold, sized in pixels of the surface drawn on.
inline QFont sansFont(qreal pixels, bool bold = false)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, qRound(pixels)));
    font.setBold(bold);
    return font;
}

} // namespace Zentovia
