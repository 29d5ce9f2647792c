#include "character/balloon.h"

#include "character/words.h"

#include <QAccessible>
#include <QBitmap>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QtMath>

namespace Zentovia {

namespace {

constexpr int kPadding = 16; // around the text
constexpr int kTail = 22; // length of the tail
constexpr int kBorder = 3;
constexpr int kRadius = 22;
const QColor kPaper(0xFF, 0xFD, 0xF2);
const QColor kInk(0x2A, 0x23, 0x50);
const QColor kEdge(0x5B, 0x4B, 0xC4);

} // namespace

Balloon::Balloon(QWidget *parent)
    : QWidget(parent,
        Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus
            | Qt::WindowTransparentForInput)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setObjectName(QStringLiteral("balloon"));
    setWindowTitle(QStringLiteral("Fumetto"));
    setAccessibleDescription(QStringLiteral("Il fumetto del mago"));
    // Round, friendly letters where the system has them.
    m_font.setFamilies({ QStringLiteral("Andika"), QStringLiteral("Comic Neue"),
        QStringLiteral("Comic Sans MS"), QStringLiteral("Quicksand"), QStringLiteral("DejaVu Sans"),
        QStringLiteral("Liberation Sans") });
    m_font.setPixelSize(23);
    m_font.setWeight(QFont::DemiBold);
    setFont(m_font);
}

void Balloon::open(const QString &text, const QRect &figure, const QPoint &mouth)
{
    m_text = text;
    m_revealed = 0;
    m_page = 0;
    layOut();
    place(figure, mouth);
    setAccessibleName(text);
    if (!isVisible())
        show();
    if (QGuiApplication::platformName() != u"offscreen")
        raise();
    update();
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
    return m_lines == 0 ? 1 : (m_lines + kMaxLines - 1) / kMaxLines;
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
        const int start = span.start;
        const int i = span.end;
        const qreal w = fm.horizontalAdvance(m_text.mid(start, i - start));
        if (x > 0 && x + w > kTextWidth) {
            ++line;
            x = 0;
        }
        const int lineInPage = line % kMaxLines;
        m_words.append({ start, i, line, QRectF(x, lineInPage * m_lineHeight, w, m_lineHeight) });
        x += w + space;
    }
    m_lines = m_words.isEmpty() ? 1 : m_words.last().line + 1;
}

QRectF Balloon::bodyRect() const
{
    const int lines = qMin(m_lines, int(kMaxLines));
    qreal textWidth = 0;
    for (const Word &w : m_words)
        textWidth = qMax(textWidth, w.rect.right());
    textWidth = qMax<qreal>(textWidth, 60);
    const QSizeF body(textWidth + 2 * kPadding, lines * m_lineHeight + 2 * kPadding);
    QPointF topLeft(kBorder, kBorder);
    if (!m_above && m_tailLeft)
        topLeft.rx() += kTail;
    return QRectF(topLeft, body);
}

void Balloon::place(const QRect &figure, const QPoint &mouth)
{
    QScreen *screen = QGuiApplication::screenAt(figure.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    // Beside the character on its right, tail to the mouth, where there is
    // room: that keeps the space above its head (where the window shows the
    // question) clear. Else above the head, else on its left.
    m_above = false;
    m_tailLeft = true;
    QSizeF body = bodyRect().size();
    QSize total(qCeil(body.width()) + kTail + 2 * kBorder, qCeil(body.height()) + 2 * kBorder);
    QPoint pos(figure.right() - figure.width() / 6, mouth.y() - total.height() / 2);
    if (pos.x() + total.width() > avail.right() + 1) {
        m_above = true;
        body = bodyRect().size();
        total
            = QSize(qCeil(body.width()) + 2 * kBorder, qCeil(body.height()) + kTail + 2 * kBorder);
        pos = QPoint(
            mouth.x() - total.width() / 2, figure.top() + figure.height() / 10 - total.height());
    }
    if (m_above && pos.y() < avail.top()) {
        m_above = false;
        m_tailLeft = false;
        body = bodyRect().size();
        total
            = QSize(qCeil(body.width()) + kTail + 2 * kBorder, qCeil(body.height()) + 2 * kBorder);
        pos = QPoint(
            figure.left() + figure.width() / 6 - total.width(), mouth.y() - total.height() / 3);
    }
    // Kept on screen.
    pos.setX(qBound(avail.left(), pos.x(), qMax(avail.left(), avail.right() + 1 - total.width())));
    pos.setY(qBound(avail.top(), pos.y(), qMax(avail.top(), avail.bottom() + 1 - total.height())));
    setGeometry(QRect(pos, total));
    const QRectF b = bodyRect();
    const QPoint local = mouth - pos;
    if (m_above)
        m_tailTip = QPoint(qBound(int(b.left()) + kRadius, local.x(), int(b.right()) - kRadius),
            int(b.bottom()) + kTail);
    else
        m_tailTip = QPoint(m_tailLeft ? 0 : total.width() - 1,
            qBound(int(b.top()) + kRadius, local.y(), int(b.bottom()) - kRadius));
    updateMask();
    update();
}

void Balloon::revealUpTo(int end)
{
    m_revealed = qBound(0, end, int(m_text.size()));
    for (const Word &w : std::as_const(m_words)) {
        if (w.start < m_revealed)
            m_page = w.line / kMaxLines;
    }
    update();
}

void Balloon::revealAll()
{
    revealUpTo(int(m_text.size()));
}

void Balloon::updateMask()
{
    // Where no compositor blends the transparent corners, the window is cut
    // to the balloon's shape.
    if (QGuiApplication::platformName() != u"xcb")
        return;
    QImage shape(size(), QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    {
        QPainter p(&shape);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::black, kBorder, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::black);
        p.drawPath(outline());
    }
    setMask(QBitmap::fromImage(shape.createAlphaMask(Qt::ThresholdAlphaDither)));
}

QPainterPath Balloon::outline() const
{
    const QRectF b = bodyRect();
    QPainterPath path;
    path.addRoundedRect(b, kRadius, kRadius);
    QPainterPath tail;
    if (m_above) {
        const qreal x
            = qBound(b.left() + kRadius + 14, qreal(m_tailTip.x()), b.right() - kRadius - 14);
        tail.moveTo(x - 14, b.bottom() - 2);
        tail.lineTo(m_tailTip);
        tail.lineTo(x + 14, b.bottom() - 2);
    } else {
        const qreal y
            = qBound(b.top() + kRadius, qreal(m_tailTip.y()) - 10, b.bottom() - kRadius - 24);
        const qreal edge = m_tailLeft ? b.left() + 2 : b.right() - 2;
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
    const QPainterPath path = outline();
    p.setPen(QPen(kEdge, kBorder, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(kPaper);
    p.drawPath(path);

    p.setFont(m_font);
    p.setPen(kInk);
    const QPointF origin = b.topLeft() + QPointF(kPadding, kPadding);
    const QFontMetricsF fm(m_font);
    for (const Word &w : std::as_const(m_words)) {
        if (w.line / kMaxLines != m_page || w.start >= m_revealed)
            continue;
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
