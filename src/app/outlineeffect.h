#pragma once

#include <QColor>
#include <QGraphicsEffect>

namespace Zentovia {

// Draws a thin solid outline around a widget's text, so that light text
// stays readable on a light background and on the question's gradient.
class OutlineEffect : public QGraphicsEffect
{
    Q_OBJECT
public:
    explicit OutlineEffect(const QColor &colour, QObject *parent = nullptr);

    QRectF boundingRectFor(const QRectF &rect) const override;

protected:
    void draw(QPainter *painter) override;

private:
    QColor m_colour;
};

} // namespace Zentovia
