#include "notebookview/codecards.h"

#include "classserver/picturecode.h"
#include "notebookview/sansfont.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <QSvgRenderer>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

constexpr int Across = 2;
constexpr int Down = 4;

void drawCard(QPainter &painter, const QRectF &card, const CodeCard &child)
{
    const qreal pad = card.height() / 14;
    painter.setPen(QPen(QColor(0xa8, 0x6e, 0x00), card.height() / 90, Qt::DashLine));
    painter.setBrush(QColor(0xff, 0xf8, 0xe7));
    painter.drawRoundedRect(card, pad, pad);
    const QRectF inside = card.adjusted(pad, pad * 0.7, -pad, -pad * 0.7);
    // The name, then the three pictures in the order they are touched, each
    // named, the whole in the middle of the card.
    const qreal nameHeight = inside.height() / 5;
    const qreal gap = inside.width() / 20;
    const qreal labelHeight = inside.height() / 7;
    const qreal side = std::min(
        (inside.width() - 2 * gap) / 3, inside.height() - nameHeight - labelHeight - gap / 2);
    const qreal used = nameHeight + gap / 2 + side + labelHeight;
    const QRectF nameLine(
        inside.left(), inside.center().y() - used / 2, inside.width(), nameHeight);
    painter.setPen(QColor(0x1c, 0x2a, 0x80));
    painter.setFont(sansFont(inside.height() / 7, true));
    painter.drawText(nameLine, Qt::AlignCenter,
        painter.fontMetrics().elidedText(child.child, Qt::ElideRight, int(nameLine.width())));
    const qreal left = inside.center().x() - (3 * side + 2 * gap) / 2;
    const qreal top = nameLine.bottom() + gap / 2;
    painter.setFont(sansFont(labelHeight * 0.7, true));
    for (int n = 0; n < child.code.size(); ++n) {
        const int index = child.code.at(n).digitValue() - 1;
        const QRectF place(left + n * (side + gap), top, side, side);
        QSvgRenderer(PictureCode::picturePath(index)).render(&painter, place);
        painter.drawText(QRectF(place.left() - gap / 2, place.bottom(), side + gap, labelHeight),
            Qt::AlignCenter, u"%1. %2"_s.arg(n + 1).arg(PictureCode::names().value(index)));
    }
}

} // namespace

bool printCodeCards(QPagedPaintDevice &device, const QList<CodeCard> &cards)
{
    if (cards.isEmpty())
        return false;
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF page(0, 0, device.width(), device.height());
    const qreal gap = page.width() / 30;
    const QSizeF card(
        (page.width() - gap * (Across - 1)) / Across, (page.height() - gap * (Down - 1)) / Down);
    for (qsizetype i = 0; i < cards.size(); ++i) {
        const int onPage = int(i % (Across * Down));
        if (i > 0 && onPage == 0 && !device.newPage())
            return false;
        const QPointF at(page.left() + (onPage % Across) * (card.width() + gap),
            page.top() + (onPage / Across) * (card.height() + gap));
        drawCard(painter, QRectF(at, card), cards.at(i));
    }
    return painter.end();
}

} // namespace Zentovia
