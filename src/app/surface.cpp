#include "app/surface.h"

#include "app/twips.h"

#include <QPainter>
#include <QPen>

#include <array>

namespace Zentovia {

namespace {

struct FilledBox
{
    QRect twips;
    QColor fill;
    int border; // pixels
};

const QColor Teal(0x00, 0xC0, 0xC0);
const QColor Cyan(0x00, 0xFF, 0xFF);
const QColor Frame(0x00, 0x80, 0x80);

const std::array<FilledBox, 5> &boxes()
{
    static const std::array<FilledBox, 5> all { {
        { QRect(0, 0, 3375, 4455), Teal, 1 }, // behind the score panel
        { QRect(120, 120, 3135, 4215), Cyan, 1 },
        { QRect(8400, 0, 3495, 2055), Teal, 3 }, // behind the clock
        { QRect(8510, 50, 3300, 1965), Cyan, 3 },
        { QRect(2880, 4920, 7335, 1335), Cyan, 1 }, // behind the answer box
    } };
    return all;
}

} // namespace

Surface::Surface(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Surface"));
    // A soft sky blue: the dark blue and purple record line read well on it,
    // and the yellow captions get a dark outline of their own.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xB8, 0xD8, 0xF8));
    setPalette(pal);
    setAutoFillBackground(true);
}

void Surface::paintGradient(int red, int green)
{
    m_gradient = true;
    m_red = red;
    m_green = green;
    update();
}

void Surface::clear()
{
    if (!m_gradient)
        return;
    m_gradient = false;
    update();
}

QColor Surface::bandColourAt(int y) const
{
    if (!m_gradient || height() <= 0)
        return palette().color(QPalette::Window);
    // The vertical scale is 512 units over the inner height; band i covers
    // the units 2i to 2i + 2.
    const int band = std::clamp(int(qint64(y) * 512 / height()) / 2, 0, Bands - 1);
    return QColor(m_red, m_green, band);
}

void Surface::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_gradient) {
        const qreal unit = qreal(height()) / 512.0;
        for (int i = 0; i < Bands; ++i) {
            const qreal top = 2 * i * unit;
            painter.fillRect(QRectF(0, top, width(), 2 * unit + 0.5), QColor(m_red, m_green, i));
        }
    }
    for (const FilledBox &box : boxes()) {
        const QRect r = fromTwips(box.twips);
        painter.fillRect(r, box.fill);
        // The border lies inside the box.
        QPen pen(Frame, box.border);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        const qreal inset = box.border / 2.0;
        painter.drawRect(QRectF(r).adjusted(inset, inset, -inset, -inset));
    }
}

} // namespace Zentovia
