#include "notebookview/progresschart.h"

#include "notebookview/sansfont.h"

#include <QMap>
#include <QPainter>
#include <QtMath>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

// Paul Tol's muted scheme, which colour-blind eyes tell apart; the 10 in a
// dark grey. The number of the table is written on the bars besides.
constexpr std::array<QRgb, 10> TableColours = { 0xcc6677, 0x332288, 0xddcc77, 0x117733, 0x88ccee,
    0x882255, 0x44aa99, 0x999933, 0xaa4499, 0x6f6f6f };

QColor tableColour(int table)
{
    return QColor::fromRgb(TableColours.at(std::clamp(table, 1, 10) - 1));
}

QColor inkOn(const QColor &fill)
{
    return fill.lightnessF() > 0.6 ? QColor(0x1a, 0x1a, 0x1a) : Qt::white;
}

bool isPractice(const Session &session)
{
    return session.mode == Mode::Practice;
}

// A block of colour; the practice's is hatched in white.
void paintBlock(QPainter &painter, const QRectF &box, const QColor &colour, bool hatched, qreal f)
{
    painter.fillRect(box, colour);
    if (!hatched)
        return;
    painter.save();
    painter.setClipRect(box, Qt::IntersectClip);
    painter.setPen(QPen(QColor(255, 255, 255, 200), f * 0.12));
    const qreal step = f * 0.45;
    for (qreal x = box.left() - box.height(); x < box.right(); x += step)
        painter.drawLine(QPointF(x, box.bottom()), QPointF(x + box.height(), box.top()));
    painter.restore();
}

struct Day
{
    QDate date;
    QList<Session> contests;
    QList<Session> practice;
};

int rightIn(const QList<Session> &sessions)
{
    int right = 0;
    for (const Session &session : sessions)
        right += session.right;
    return right;
}

QList<Day> lastDays(const QList<Session> &sessions)
{
    QList<Day> days;
    for (const Session &session : sessions) {
        const QDate date = session.start.date();
        if (days.isEmpty() || days.constLast().date != date)
            days.append({ date, {}, {} });
        (isPractice(session) ? days.last().practice : days.last().contests).append(session);
    }
    return days.mid(std::max<qsizetype>(0, days.size() - ProgressChart::ShownDays));
}

// 1, 2, 5, 10, 20, 50... so that top needs at most five steps.
int stepFor(int top)
{
    for (int scale = 1;; scale *= 10) {
        for (int step : { 1, 2, 5 }) {
            if (top <= 5 * step * scale)
                return step * scale;
        }
    }
}

void paintColumn(QPainter &painter, const QList<Session> &sessions, const QRectF &column,
    qreal perAnswer, bool hatched, qreal f)
{
    qreal bottom = column.bottom();
    painter.setFont(sansFont(f * 0.8, true));
    // By table, so that each table's sessions of the day stand together.
    QList<Session> byTable = sessions;
    std::stable_sort(byTable.begin(), byTable.end(),
        [](const Session &a, const Session &b) { return a.table < b.table; });
    int previousTable = 0;
    for (const Session &session : std::as_const(byTable)) {
        const qreal height = session.right * perAnswer;
        if (height <= 0)
            continue;
        const QRectF block(column.left(), bottom - height, column.width(), height);
        const QColor colour = tableColour(session.table);
        paintBlock(painter, block, colour, hatched, f);
        if (height >= f * 1.1 && column.width() >= f * 1.2) {
            painter.setPen(inkOn(colour));
            painter.drawText(block, Qt::AlignCenter, QString::number(session.table));
        }
        // A line between two sessions, where there is room for one.
        if (bottom < column.bottom() && (session.table != previousTable || height >= f * 0.5)) {
            painter.setPen(QPen(Qt::white, std::max<qreal>(1, f * 0.08)));
            painter.drawLine(block.bottomLeft(), block.bottomRight());
        }
        previousTable = session.table;
        bottom -= height;
    }
}

void paintLegend(QPainter &painter, QPointF at, qreal f)
{
    painter.setFont(sansFont(f));
    painter.setPen(QColor(0x22, 0x22, 0x22));
    const QString label = u"Tabellina:"_s;
    painter.drawText(QRectF(at, QSizeF(f * 6, f * 1.4)), Qt::AlignLeft | Qt::AlignVCenter, label);
    qreal x = at.x() + painter.fontMetrics().horizontalAdvance(label) + f * 0.6;
    painter.setFont(sansFont(f * 0.8, true));
    for (int table = 1; table <= 10; ++table) {
        const QRectF swatch(x, at.y(), f * 1.4, f * 1.4);
        painter.fillRect(swatch, tableColour(table));
        painter.setPen(inkOn(tableColour(table)));
        painter.drawText(swatch, Qt::AlignCenter, QString::number(table));
        x += f * 1.7;
    }
    const qreal y = at.y() + f * 1.9;
    x = at.x();
    painter.setFont(sansFont(f));
    for (const bool practice : { false, true }) {
        const QRectF swatch(x, y, f * 2.2, f * 1.4);
        paintBlock(painter, swatch, QColor(0xa8, 0xa8, 0xa8), practice, f);
        painter.setPen(QPen(QColor(0x66, 0x66, 0x66), std::max<qreal>(1, f * 0.06)));
        painter.drawRect(swatch);
        painter.setPen(QColor(0x22, 0x22, 0x22));
        const QString name = practice ? u"ripasso"_s : u"gara"_s;
        painter.drawText(QRectF(swatch.right() + f * 0.4, y, f * 8, f * 1.4),
            Qt::AlignLeft | Qt::AlignVCenter, name);
        x = swatch.right() + f * 1.2 + painter.fontMetrics().horizontalAdvance(name) + f;
    }
}

} // namespace

ProgressChart::ProgressChart(QWidget *parent)
    : QWidget(parent)
{
    setAccessibleName(u"Risposte giuste, giorno per giorno"_s);
}

QList<Session> ProgressChart::sessionsOf(const QList<Answer> &answers)
{
    QList<Session> sessions;
    QDateTime previous;
    for (const Answer &answer : answers) {
        if (sessions.isEmpty() || answer.mode != sessions.constLast().mode
            || answer.table != sessions.constLast().table
            || previous.secsTo(answer.at) > SessionGapSeconds)
            sessions.append({ answer.at, answer.mode, answer.table, 0, 0 });
        Session &session = sessions.last();
        ++session.asked;
        if (answer.outcome == Outcome::Right)
            ++session.right;
        previous = answer.at;
    }
    return sessions;
}

void ProgressChart::setSessions(const QList<Session> &sessions)
{
    m_sessions = sessions;
    const QList<Day> days = lastDays(sessions);
    if (days.isEmpty()) {
        setAccessibleDescription(QString());
    } else {
        const Day &day = days.constLast();
        setAccessibleDescription(u"Il %1: %2 risposte giuste in gara e %3 in ripasso."_s
                                     .arg(day.date.toString(u"dd/MM/yyyy"_s))
                                     .arg(rightIn(day.contests))
                                     .arg(rightIn(day.practice)));
    }
    update();
}

void ProgressChart::paint(QPainter &painter, const QRectF &area, const QList<Session> &sessions)
{
    const qreal f = std::max<qreal>(1, std::min(area.width() / 34, area.height() / 24));
    painter.save();
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(QColor(0x22, 0x22, 0x22));
    painter.setFont(sansFont(f * 1.15, true));
    painter.drawText(QRectF(area.left(), area.top(), area.width(), f * 1.8),
        Qt::AlignLeft | Qt::AlignVCenter, u"Risposte giuste, giorno per giorno"_s);

    const QList<Day> days = lastDays(sessions);
    const QRectF plot = area.adjusted(f * 2.6, f * 2.6, -f * 0.5, -f * 5.6);
    if (days.isEmpty()) {
        painter.setFont(sansFont(f));
        painter.setPen(QColor(0x55, 0x55, 0x55));
        painter.drawText(plot, Qt::AlignCenter | Qt::TextWordWrap,
            u"Ancora nessuna gara: qui si vedranno i progressi."_s);
        painter.restore();
        return;
    }
    int most = 1;
    for (const Day &day : days)
        most = std::max({ most, rightIn(day.contests), rightIn(day.practice) });
    const int step = stepFor(most);
    const int top = (most + step - 1) / step * step;
    const qreal perAnswer = plot.height() / top;

    painter.setFont(sansFont(f * 0.9));
    for (int value = 0; value <= top; value += step) {
        const qreal y = plot.bottom() - value * perAnswer;
        painter.setPen(QPen(QColor(0xdd, 0xdd, 0xdd), std::max<qreal>(1, f * 0.06)));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(QColor(0x44, 0x44, 0x44));
        painter.drawText(QRectF(area.left(), y - f, f * 2.2, f * 2),
            Qt::AlignRight | Qt::AlignVCenter, QString::number(value));
    }

    const qreal slot = plot.width() / std::max<qsizetype>(days.size(), 7);
    // The days carry their year when the picture spans more than one.
    const bool years = !days.isEmpty() && days.first().date.year() != days.last().date.year();
    const QString dayFormat = years ? u"dd/MM/yy"_s : u"dd/MM"_s;
    const int labelEvery = qCeil(
        painter.fontMetrics().horizontalAdvance(years ? u"00/00/00"_s : u"00/00"_s) * 1.3 / slot);
    for (int i = 0; i < days.size(); ++i) {
        const qreal x = plot.left() + i * slot;
        const QRectF column(x + slot * 0.12, plot.top(), slot * 0.36, plot.height());
        paintColumn(painter, days.at(i).contests, column, perAnswer, false, f);
        paintColumn(
            painter, days.at(i).practice, column.translated(slot * 0.4, 0), perAnswer, true, f);
        if ((days.size() - 1 - i) % std::max(1, labelEvery) == 0) {
            painter.setFont(sansFont(f * 0.9));
            painter.setPen(QColor(0x44, 0x44, 0x44));
            painter.drawText(QRectF(x - slot, plot.bottom() + f * 0.2, slot * 3, f * 1.4),
                Qt::AlignHCenter | Qt::AlignTop, days.at(i).date.toString(dayFormat));
        }
    }
    painter.setPen(QPen(QColor(0x44, 0x44, 0x44), std::max<qreal>(1, f * 0.08)));
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    paintLegend(painter, QPointF(area.left() + f * 0.5, plot.bottom() + f * 2), f);
    painter.restore();
}

void ProgressChart::setReading(bool reading)
{
    m_reading = reading;
    update();
}

void ProgressChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!m_reading) {
        paint(painter, rect(), m_sessions);
        return;
    }
    painter.setFont(sansFont(14));
    painter.setPen(QColor(0x55, 0x55, 0x55));
    painter.drawText(rect(), Qt::AlignCenter, u"Un momento: leggo le gare…"_s);
}

} // namespace Zentovia
