#include "app/outlineeffect.h"

#include <QPainter>
#include <QPixmap>

namespace Zentovia {

OutlineEffect::OutlineEffect(const QColor &colour, QObject *parent)
    : QGraphicsEffect(parent)
    , m_colour(colour)
{ }

QRectF OutlineEffect::boundingRectFor(const QRectF &rect) const
{
    return rect.adjusted(-1, -1, 1, 1);
}

void OutlineEffect::draw(QPainter *painter)
{
    QPoint offset;
    const QPixmap source
        = sourcePixmap(Qt::DeviceCoordinates, &offset, QGraphicsEffect::PadToEffectiveBoundingRect);
    if (source.isNull())
        return;

    // The text's shape, filled with the outline's colour.
    QPixmap shape(source.size());
    shape.setDevicePixelRatio(source.devicePixelRatio());
    shape.fill(Qt::transparent);
    {
        QPainter fill(&shape);
        fill.drawPixmap(0, 0, source);
        fill.setCompositionMode(QPainter::CompositionMode_SourceIn);
        fill.fillRect(shape.rect(), m_colour);
    }

    const QTransform restore = painter->worldTransform();
    painter->setWorldTransform(QTransform());
    const int step = qMax(1, qRound(source.devicePixelRatio()));
    for (int dx = -step; dx <= step; dx += step)
        for (int dy = -step; dy <= step; dy += step)
            if (dx != 0 || dy != 0)
                painter->drawPixmap(offset + QPoint(dx, dy), shape);
    painter->drawPixmap(offset, source);
    painter->setWorldTransform(restore);
}

} // namespace Zentovia
