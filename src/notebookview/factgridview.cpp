#include "notebookview/factgridview.h"

#include "notebookview/gridpart.h"
#include "notebookview/sansfont.h"
#include "words/tablewords.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

// In cells: the headers' band, the gap above the legend, a legend row.
constexpr qreal HeaderBand = 0.7;
constexpr qreal LegendGap = 0.35;
constexpr qreal LegendRow = 0.75;
constexpr qreal UnitsWide = HeaderBand + 10;
constexpr qreal UnitsHigh = HeaderBand + 10 + LegendGap + 2 * LegendRow;
constexpr int ShownCellSide = 50;
constexpr int SmallestCellSide = 30;

constexpr FactState LegendOrder[]
    = { FactState::Learned, FactState::Almost, FactState::ToLearn, FactState::NeverAsked };

// A blue and orange palette that colour-blind eyes tell apart, with the
// states apart in lightness too; each has its mark besides.
struct Look
{
    QColor fill;
    QColor text;
    QColor mark;
};

Look lookOf(FactState state)
{
    switch (state) {
    case FactState::Learned:
        return { QColor(0x00, 0x72, 0xb2), Qt::white, Qt::white };
    case FactState::Almost:
        return { QColor(0xa6, 0xd6, 0xf2), QColor(0x0b, 0x2e, 0x48), QColor(0x0b, 0x4f, 0x7a) };
    case FactState::ToLearn:
        return { QColor(0xf2, 0xa9, 0x3b), QColor(0x2b, 0x17, 0x00), QColor(0x4a, 0x26, 0x00) };
    case FactState::NeverAsked:
        break;
    }
    return { QColor(0xec, 0xed, 0xef), QColor(0x6b, 0x70, 0x78), QColor() };
}

QPolygonF star(const QPointF &centre, qreal radius)
{
    QPolygonF points;
    for (int i = 0; i < 10; ++i) {
        const qreal angle = -M_PI / 2 + i * M_PI / 5;
        const qreal r = i % 2 == 0 ? radius : radius * 0.45;
        points << centre + QPointF(r * std::cos(angle), r * std::sin(angle));
    }
    return points;
}

// The state's mark centred on centre: a star, a half circle, a dot.
void paintMark(QPainter &painter, FactState state, const QPointF &centre, qreal radius)
{
    const Look look = lookOf(state);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle(centre - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius));
    switch (state) {
    case FactState::Learned:
        painter.setPen(Qt::NoPen);
        painter.setBrush(look.mark);
        painter.drawPolygon(star(centre, radius * 1.15));
        break;
    case FactState::Almost:
        painter.setPen(QPen(look.mark, radius * 0.25));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(circle);
        painter.setPen(Qt::NoPen);
        painter.setBrush(look.mark);
        painter.drawPie(circle, 90 * 16, 180 * 16);
        break;
    case FactState::ToLearn:
        painter.setPen(QPen(look.fill.lighter(130), radius * 0.25));
        painter.setBrush(look.mark);
        painter.drawEllipse(
            circle.adjusted(radius * 0.1, radius * 0.1, -radius * 0.1, -radius * 0.1));
        break;
    case FactState::NeverAsked:
        break;
    }
    painter.restore();
}

// A cell, or a legend's sample when text is empty.
void paintCell(QPainter &painter, const QRectF &box, FactState state, const QString &text)
{
    const Look look = lookOf(state);
    const qreal side = box.height();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(box, side * 0.12, side * 0.12);
    painter.fillPath(shape, look.fill);
    // An edge, so that a fact never asked stands out from a pale page too.
    painter.strokePath(shape,
        QPen(look.fill.darker(state == FactState::NeverAsked ? 125 : 112),
            std::max<qreal>(1, side * 0.025)));
    if (state == FactState::ToLearn) {
        painter.setClipPath(shape, Qt::IntersectClip);
        painter.setPen(QPen(QColor(0xa8, 0x5c, 0x00, 120), side * 0.04));
        const qreal step = side * 0.17;
        for (qreal x = box.left() - side; x < box.right(); x += step)
            painter.drawLine(QPointF(x, box.bottom()), QPointF(x + side, box.top()));
        painter.setClipping(false);
    }
    if (text.isEmpty()) {
        paintMark(painter, state, box.center(), side * 0.26);
    } else {
        paintMark(
            painter, state, QPointF(box.right() - side * 0.2, box.top() + side * 0.2), side * 0.13);
        painter.setFont(sansFont(side * 0.36, state == FactState::Learned));
        painter.setPen(look.text);
        painter.drawText(box.adjusted(0, side * 0.12, 0, 0), Qt::AlignCenter, text);
    }
    painter.restore();
}

struct Geometry
{
    qreal unit;
    QPointF origin;

    explicit Geometry(const QRectF &area)
        : unit(FactGridView::cellSide(area.size()))
        , origin(area.left() + (area.width() - UnitsWide * unit) / 2, area.top())
    { }
    QRectF box(qreal column, qreal row, qreal width, qreal height) const
    {
        return QRectF(origin + QPointF(column * unit, row * unit), QSizeF(width, height) * unit);
    }
    QRectF cell(int index) const
    {
        const qreal margin = 0.04;
        return box(HeaderBand + index % 10 + margin, HeaderBand + index / 10 + margin,
            1 - 2 * margin, 1 - 2 * margin);
    }
    QRectF legendSample(int entry) const
    {
        return box(HeaderBand + 5 * (entry % 2) + 0.05,
            HeaderBand + 10 + LegendGap + LegendRow * (entry / 2) + 0.05, LegendRow - 0.1,
            LegendRow - 0.1);
    }
};

} // namespace

FactGridView::FactGridView(QWidget *parent)
    : QWidget(parent)
{
    GridPart::installAccessibility();
    setAccessibleName(u"Tabelline"_s);
    for (int i = 0; i < 100; ++i) {
        QWidget *cell = new GridPart(this, i / 10, i % 10);
        cell->setFocusPolicy(i == 0 ? Qt::StrongFocus : Qt::ClickFocus);
        cell->setMouseTracking(true);
        cell->installEventFilter(this);
        m_cells.at(i) = cell;
    }
    // The headers, for a screen reader: "Tabellina dell'8", "per 8".
    for (int n = 1; n <= 10; ++n) {
        m_rowHeaders.at(n - 1) = new GridPart(this, n - 1, -1);
        m_rowHeaders.at(n - 1)->setAccessibleName(u"Tabellina "_s + ofTable(n));
        m_columnHeaders.at(n - 1) = new GridPart(this, -1, n - 1);
        m_columnHeaders.at(n - 1)->setAccessibleName(u"per %1"_s.arg(n));
    }
    describeCells();
}

QWidget *FactGridView::cell(int table, int multiplier) const
{
    return m_cells.at((table - 1) * 10 + multiplier - 1);
}

QWidget *FactGridView::rowHeader(int table) const
{
    return table >= 1 && table <= 10 ? m_rowHeaders.at(table - 1) : nullptr;
}

QWidget *FactGridView::columnHeader(int multiplier) const
{
    return multiplier >= 1 && multiplier <= 10 ? m_columnHeaders.at(multiplier - 1) : nullptr;
}

void FactGridView::setGrid(const FactGrid &grid)
{
    m_grid = grid;
    describeCells();
    if (m_focused >= 0 || m_hovered >= 0)
        point(m_focused >= 0 ? m_focused : m_hovered);
    update();
}

QString FactGridView::cellName(int table, int multiplier, const FactSummary &fact)
{
    return u"%1 per %2: %3"_s.arg(table).arg(multiplier).arg(stateName(fact.state));
}

QString FactGridView::details(int table, int multiplier, const FactSummary &fact)
{
    const QString sum = u"%1 per %2 = %3"_s.arg(table).arg(multiplier).arg(table * multiplier);
    if (fact.asked == 0)
        return sum + u" — mai chiesta"_s;
    QString text = sum
        + (fact.asked == 1 ? u" — chiesta 1 volta"_s : u" — chiesta %1 volte"_s.arg(fact.asked))
        + u", giusta %1"_s.arg(fact.right);
    if (fact.medianSeconds) {
        const QLocale italian(QLocale::Italian, QLocale::Italy);
        text += u" — tempo mediano %1 s"_s.arg(italian.toString(*fact.medianSeconds, 'f', 1));
    }
    if (fact.lastDay.isValid())
        text += u" — l'ultima volta il %1"_s.arg(fact.lastDay.toString(u"dd/MM/yyyy"_s));
    // Its state and why, in a parent's words.
    switch (fact.state) {
    case FactState::Learned:
        return text + u" — imparato: lo ricorda con sicurezza"_s;
    case FactState::Almost:
        return text
            + (fact.recallInAWeek >= AlmostRecall
                    ? u" — quasi: tra qualche giorno potrebbe dimenticarlo, un ripasso lo fissa"_s
                    : u" — quasi: l'ultima volta l'ha saputo, ma va ripassato presto"_s);
    case FactState::ToLearn:
        if (fact.lastOutcome == Outcome::Skipped)
            return text + u" — da imparare: l'ultima volta non ha risposto"_s;
        if (fact.lastOutcome == Outcome::Wrong)
            return text + u" — da imparare: l'ultima risposta era sbagliata"_s;
        return text
            + (fact.right == 1 ? u" — da imparare: giusta 1 volta"_s
                               : u" — da imparare: giusta %1 volte"_s.arg(fact.right))
            + u", ma oltre i %1 secondi"_s.arg(fact.factSeconds);
    case FactState::NeverAsked:
        break;
    }
    return text;
}

qreal FactGridView::cellSide(const QSizeF &area)
{
    return std::max<qreal>(1, std::min(area.width() / UnitsWide, area.height() / UnitsHigh));
}

void FactGridView::paint(QPainter &painter, const QRectF &area, const FactGrid &grid, int focused)
{
    const Geometry at(area);
    const qreal u = at.unit;
    painter.save();
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(QColor(0x33, 0x33, 0x33));
    painter.setFont(sansFont(u * 0.34, true));
    painter.drawText(at.box(0, 0, HeaderBand, HeaderBand), Qt::AlignCenter, u"×"_s);
    for (int n = 1; n <= 10; ++n) {
        painter.drawText(
            at.box(HeaderBand + n - 1, 0, 1, HeaderBand), Qt::AlignCenter, QString::number(n));
        painter.drawText(at.box(0, HeaderBand + n - 1, HeaderBand - 0.1, 1),
            Qt::AlignRight | Qt::AlignVCenter, QString::number(n));
    }
    for (int i = 0; i < 100; ++i) {
        const FactSummary &fact = grid.at(i / 10).at(i % 10);
        paintCell(painter, at.cell(i), fact.state, QString::number((i / 10 + 1) * (i % 10 + 1)));
    }
    if (focused >= 0) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(0x1a, 0x1a, 0x1a), std::max<qreal>(2, u * 0.07)));
        painter.setBrush(Qt::NoBrush);
        const qreal out = u * 0.03;
        painter.drawRoundedRect(
            at.cell(focused).adjusted(-out, -out, out, out), u * 0.14, u * 0.14);
    }
    painter.setFont(sansFont(u * 0.3));
    painter.setPen(QColor(0x22, 0x22, 0x22));
    for (int entry = 0; entry < 4; ++entry) {
        const FactState state = LegendOrder[entry];
        const QRectF sample = at.legendSample(entry);
        paintCell(painter, sample, state, QString());
        painter.drawText(QRectF(sample.right() + u * 0.2, sample.top(), u * 4, sample.height()),
            Qt::AlignLeft | Qt::AlignVCenter, stateName(state));
    }
    painter.restore();
}

QSize FactGridView::sizeHint() const
{
    return QSize(qCeil(UnitsWide * ShownCellSide), qCeil(UnitsHigh * ShownCellSide));
}

QSize FactGridView::minimumSizeHint() const
{
    return QSize(qCeil(UnitsWide * SmallestCellSide), qCeil(UnitsHigh * SmallestCellSide));
}

int FactGridView::heightForWidth(int width) const
{
    return qCeil(width / UnitsWide * UnitsHigh);
}

void FactGridView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paint(painter, rect(), m_grid, m_focused);
}

void FactGridView::resizeEvent(QResizeEvent *)
{
    placeCells();
}

void FactGridView::placeCells()
{
    const Geometry at(rect());
    for (int i = 0; i < 100; ++i)
        m_cells.at(i)->setGeometry(at.cell(i).toAlignedRect());
    for (int n = 0; n < 10; ++n) {
        m_rowHeaders.at(n)->setGeometry(at.box(0, HeaderBand + n, HeaderBand, 1).toAlignedRect());
        m_columnHeaders.at(n)->setGeometry(
            at.box(HeaderBand + n, 0, 1, HeaderBand).toAlignedRect());
    }
}

void FactGridView::describeCells()
{
    for (int i = 0; i < 100; ++i) {
        const FactSummary &fact = m_grid.at(i / 10).at(i % 10);
        m_cells.at(i)->setAccessibleName(cellName(i / 10 + 1, i % 10 + 1, fact));
        const QString text = details(i / 10 + 1, i % 10 + 1, fact);
        m_cells.at(i)->setAccessibleDescription(text);
        m_cells.at(i)->setToolTip(text);
    }
}

void FactGridView::point(int index)
{
    Q_EMIT pointed(index < 0
            ? QString()
            : details(index / 10 + 1, index % 10 + 1, m_grid.at(index / 10).at(index % 10)));
}

// One tab stop for the whole table, on the cell last focused; the arrows,
// Home and End move within it.
void FactGridView::moveFocus(int from, int rows, int columns)
{
    const int row = std::clamp(from / 10 + rows, 0, 9);
    const int column = std::clamp(from % 10 + columns, 0, 9);
    m_cells.at(row * 10 + column)->setFocus(Qt::TabFocusReason);
}

bool FactGridView::eventFilter(QObject *watched, QEvent *event)
{
    const auto found = std::find(m_cells.begin(), m_cells.end(), watched);
    if (found == m_cells.end())
        return QWidget::eventFilter(watched, event);
    const int index = int(found - m_cells.begin());
    switch (event->type()) {
    case QEvent::FocusIn:
        for (QWidget *cell : m_cells)
            cell->setFocusPolicy(cell == watched ? Qt::StrongFocus : Qt::ClickFocus);
        m_focused = index;
        point(index);
        update();
        break;
    case QEvent::FocusOut:
        m_focused = -1;
        point(m_hovered);
        update();
        break;
    case QEvent::Enter:
        m_hovered = index;
        point(index);
        break;
    case QEvent::Leave:
        m_hovered = -1;
        point(m_focused);
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const int rows = key == Qt::Key_Up ? -1 : key == Qt::Key_Down ? 1 : 0;
        const int columns = key == Qt::Key_Left ? -1
            : key == Qt::Key_Right              ? 1
            : key == Qt::Key_Home               ? -9
            : key == Qt::Key_End                ? 9
                                                : 0;
        if (rows == 0 && columns == 0)
            break;
        moveFocus(index, rows, columns);
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace Zentovia
