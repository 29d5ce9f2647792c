#include "stage/balloon.h"

#include "stage/stage.h"
#include "voice/wordspan.h"

#include <QAccessible>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <limits>

namespace Zentovia {

namespace {

constexpr int kPadding = 16; // around the text
constexpr int kTail = 22; // length of the tail
constexpr int kBorder = 3;
constexpr int kRadius = 22;
constexpr int kWidthStep = 40; // how much narrower each try at fitting is
constexpr int kSlideStep = 4; // pixels, when sliding along the character
const QColor kPaper(0xFF, 0xFD, 0xF2);
const QColor kInk(0x2A, 0x23, 0x50);
const QColor kEdge(0x5B, 0x4B, 0xC4);

qint64 overlap(const QRect &rect, const QList<QRect> &others)
{
    qint64 sum = 0;
    for (const QRect &other : others) {
        const QRect common = rect.intersected(other);
        sum += qint64(common.width()) * common.height();
    }
    return sum;
}

} // namespace

Balloon::Balloon(const Stage &stage)
    : QWidget(stage.window())
    , m_stage(stage)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setObjectName(QStringLiteral("balloon"));
    setAccessibleDescription(QStringLiteral("Il fumetto del mago"));
    // Round, friendly letters where the system has them; else the sans the
    // window's controls already use, so that no other font is loaded for him.
    m_font.setFamilies(
        { QStringLiteral("Andika"), QStringLiteral("Comic Neue"), QStringLiteral("Comic Sans MS"),
            QStringLiteral("Quicksand"), QStringLiteral("Liberation Sans") });
    m_font.setPixelSize(23);
    m_font.setWeight(QFont::DemiBold);
    setFont(m_font);
    hide();
}

void Balloon::open(const QString &text, const QRect &figure, const QPoint &mouth)
{
    m_text = text;
    m_revealed = 0;
    m_page = 0;
    place(figure, mouth);
    setAccessibleName(text);
    show();
    raise();
    // Screen readers: the balloon's name changed, and it is an alert.
    QAccessibleEvent nameChanged(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&nameChanged);
    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent announcement(this, text);
    QAccessible::updateAccessibility(&announcement);
#endif
}

int Balloon::pageCount() const
{
    return m_lines == 0 ? 1 : (m_lines + m_maxLines - 1) / m_maxLines;
}

void Balloon::layOut()
{
    m_words.clear();
    const QFontMetricsF fm(m_font);
    m_lineHeight = qCeil(fm.lineSpacing() * 1.08);
    const qreal space = fm.horizontalAdvance(QLatin1Char(' '));
    qreal x = 0;
    int line = 0;
    for (const WordSpan &span : wordSpans(m_text)) {
        const qreal w = fm.horizontalAdvance(m_text.mid(span.start, span.end - span.start));
        if (x > 0 && x + w > m_textWidth) {
            ++line;
            x = 0;
        }
        const int lineInPage = line % m_maxLines;
        m_words.append(
            { span.start, span.end, line, QRectF(x, lineInPage * m_lineHeight, w, m_lineHeight) });
        x += w + space;
    }
    m_lines = m_words.isEmpty() ? 1 : m_words.last().line + 1;
}

QRectF Balloon::bodyRect() const
{
    const int lines = qMin(m_lines, m_maxLines);
    qreal textWidth = 0;
    for (const Word &w : m_words)
        textWidth = qMax(textWidth, w.rect.right());
    textWidth = qMax<qreal>(textWidth, 60);
    const QSizeF body(textWidth + 2 * kPadding, lines * m_lineHeight + 2 * kPadding);
    return QRectF(QPointF(m_side == Side::Right ? kBorder + kTail : kBorder, kBorder), body);
}

QSize Balloon::totalSize() const
{
    const QSizeF body = bodyRect().size();
    const bool beside = m_side != Side::Above;
    return QSize(qCeil(body.width()) + 2 * kBorder + (beside ? kTail : 0),
        qCeil(body.height()) + 2 * kBorder + (beside ? 0 : kTail));
}

QRect Balloon::rectAt(const QRect &figure, const QPoint &mouth, int offset) const
{
    const QSize total = totalSize();
    switch (m_side) {
    case Side::Right:
        return QRect(
            QPoint(figure.right() - figure.width() / 6, mouth.y() - total.height() / 2 + offset),
            total);
    case Side::Left:
        return QRect(QPoint(figure.left() + figure.width() / 6 - total.width(),
                         mouth.y() - total.height() / 2 + offset),
            total);
    case Side::Above:
        break;
    }
    return QRect(QPoint(mouth.x() - total.width() / 2 + offset,
                     figure.top() + figure.height() / 10 - total.height()),
        total);
}

Balloon::Spot Balloon::bestSpot(const QRect &figure, const QPoint &mouth)
{
    const QRect area = m_stage.area();
    const QList<QRect> avoid = m_stage.keepClear();
    // Beside the character on its right, tail to the mouth, else above its
    // head, else on its left; as wide and with as many lines as there is
    // room for, slid along the character to clear what the window keeps in
    // view. Where nothing is clear, the spot that covers least of it.
    Spot best { Side::Right, kMaxLines, kTextWidth, {} };
    qint64 leastCovered = std::numeric_limits<qint64>::max();
    for (const Side side : { Side::Right, Side::Above, Side::Left }) {
        m_side = side;
        for (int lines = kMaxLines; lines >= 1; --lines) {
            for (int width = kTextWidth; width >= kMinTextWidth; width -= kWidthStep) {
                m_maxLines = lines;
                m_textWidth = width;
                layOut();
                const QSize total = totalSize();
                const int reach = (side == Side::Above ? total.width() : total.height()) / 2;
                for (int slide = 0; slide <= reach; slide += kSlideStep) {
                    for (const int offset : { slide, -slide }) {
                        const QRect rect = rectAt(figure, mouth, offset);
                        if (area.contains(rect) && overlap(rect, avoid) == 0)
                            return { side, lines, width, rect };
                    }
                }
                QRect kept = rectAt(figure, mouth, 0);
                kept.moveLeft(qBound(area.left(), kept.left(), area.right() + 1 - kept.width()));
                kept.moveTop(qBound(area.top(), kept.top(), area.bottom() + 1 - kept.height()));
                const qint64 covered = overlap(kept, avoid);
                if (covered < leastCovered) {
                    leastCovered = covered;
                    best = { side, lines, width, kept };
                }
            }
        }
    }
    return best;
}

void Balloon::apply(const Spot &spot, const QPoint &mouth)
{
    m_side = spot.side;
    m_maxLines = spot.lines;
    m_textWidth = spot.width;
    layOut();
    setGeometry(spot.rect);
    const QRectF b = bodyRect();
    const QPoint local = mouth - spot.rect.topLeft();
    const int level = qBound(int(b.top()) + kRadius, local.y(), int(b.bottom()) - kRadius);
    switch (m_side) {
    case Side::Right:
        m_tailTip = QPoint(0, level);
        break;
    case Side::Left:
        m_tailTip = QPoint(spot.rect.width() - 1, level);
        break;
    case Side::Above:
        m_tailTip = QPoint(qBound(int(b.left()) + kRadius, local.x(), int(b.right()) - kRadius),
            int(b.bottom()) + kTail);
        break;
    }
    // The page of the last word begun, in the new layout.
    revealUpTo(m_revealed);
}

void Balloon::place(const QRect &figure, const QPoint &mouth)
{
    apply(bestSpot(figure, mouth), mouth);
}

void Balloon::revealUpTo(int end)
{
    m_revealed = qBound(0, end, int(m_text.size()));
    m_page = 0;
    for (const Word &w : std::as_const(m_words)) {
        if (w.start < m_revealed)
            m_page = w.line / m_maxLines;
    }
    update();
}

void Balloon::revealAll()
{
    revealUpTo(int(m_text.size()));
}

bool Balloon::isShown(const Word &word) const
{
    return word.line / m_maxLines == m_page && word.start < m_revealed;
}

QString Balloon::shownText() const
{
    QStringList shown;
    for (const Word &w : m_words) {
        if (isShown(w))
            shown.append(m_text.mid(w.start, w.end - w.start));
    }
    return shown.join(u' ');
}

QPainterPath Balloon::outline() const
{
    const QRectF b = bodyRect();
    QPainterPath path;
    path.addRoundedRect(b, kRadius, kRadius);
    QPainterPath tail;
    if (m_side == Side::Above) {
        const qreal x
            = qBound(b.left() + kRadius + 14, qreal(m_tailTip.x()), b.right() - kRadius - 14);
        tail.moveTo(x - 14, b.bottom() - 2);
        tail.lineTo(m_tailTip);
        tail.lineTo(x + 14, b.bottom() - 2);
    } else {
        const qreal y
            = qBound(b.top() + kRadius, qreal(m_tailTip.y()) - 10, b.bottom() - kRadius - 24);
        const qreal edge = m_side == Side::Right ? b.left() + 2 : b.right() - 2;
        tail.moveTo(edge, y);
        tail.lineTo(m_tailTip);
        tail.lineTo(edge, y + 24);
    }
    tail.closeSubpath();
    return path.united(tail);
}

void Balloon::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF b = bodyRect();
    p.setPen(QPen(kEdge, kBorder, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(kPaper);
    p.drawPath(outline());

    p.setFont(m_font);
    p.setPen(kInk);
    const QPointF origin = b.topLeft() + QPointF(kPadding, kPadding);
    const QFontMetricsF fm(m_font);
    for (const Word &w : std::as_const(m_words)) {
        if (isShown(w))
            p.drawText(QPointF(origin.x() + w.rect.left(), origin.y() + w.rect.top() + fm.ascent()),
                m_text.mid(w.start, w.end - w.start));
    }
    if (m_page + 1 < pageCount()) {
        // More to come: three small dots in the corner.
        p.setPen(Qt::NoPen);
        p.setBrush(kEdge);
        for (int i = 0; i < 3; ++i)
            p.drawEllipse(QPointF(b.right() - 34 + i * 10, b.bottom() - 10), 2.5, 2.5);
    }
}

} // namespace Zentovia
