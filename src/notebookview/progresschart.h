#pragma once

#include "learning/answer.h"

#include <QDate>
#include <QList>
#include <QWidget>

class QPainter;

namespace Zentovia {

// One contest or practice, as read back from a child's answers.
struct Session
{
    QDateTime start;
    Mode mode = Mode::Contest;
    int table = 0;
    int asked = 0;
    int right = 0;
};

// A child's right answers over the last days played: one column for the
// contests and one, hatched, for the practice beside it each day; each
// column stacks its sessions, coloured by their table.
class ProgressChart : public QWidget
{
    Q_OBJECT
public:
    // A session ends when the mode or the table changes, or when more than
    // this passes between two answers.
    static constexpr int SessionGapSeconds = 10 * 60;
    static constexpr int ShownDays = 14;

    explicit ProgressChart(QWidget *parent = nullptr);

    // Oldest first, as the notebook gives them.
    static QList<Session> sessionsOf(const QList<Answer> &answers);
    void setSessions(const QList<Session> &sessions);
    const QList<Session> &sessions() const { return m_sessions; }
    // While the answers are being read.
    void setReading(bool reading);

    // The picture drawn into area; used on the screen and on paper.
    static void paint(QPainter &painter, const QRectF &area, const QList<Session> &sessions);

    QSize sizeHint() const override { return QSize(520, 420); }
    QSize minimumSizeHint() const override { return QSize(320, 260); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<Session> m_sessions;
    bool m_reading = false;
};

} // namespace Zentovia
