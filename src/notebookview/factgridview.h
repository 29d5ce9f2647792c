#pragma once

#include "learning/factstate.h"

#include <QWidget>

#include <array>

class QPainter;

namespace Zentovia {

// A child's hundred facts as a 10 × 10 table: the rows are the times tables,
// the columns the multipliers. Each cell shows the product and the fact's
// state by its colour and by its own mark (a star, a half circle, a dot on
// hatching, nothing), so that no state rests on colour alone; a legend under
// the table names them. Each cell is a small widget of its own, with no
// drawing of its own: it carries the cell's name for a screen reader, its
// tooltip and the keyboard focus (the arrows move it); with the headers'
// parts, a screen reader reads the grid as a table. Whatever is pointed at
// or focused is told in full through pointed().
class FactGridView : public QWidget
{
    Q_OBJECT
public:
    explicit FactGridView(QWidget *parent = nullptr);

    void setGrid(const FactGrid &grid);
    const FactGrid &grid() const { return m_grid; }
    // table and multiplier from 1 to 10.
    QWidget *cell(int table, int multiplier) const;
    // The headers of a row (a times table) and of a column (a multiplier),
    // which a screen reader reads with each cell; nullptr out of 1..10.
    QWidget *rowHeader(int table) const;
    QWidget *columnHeader(int multiplier) const;

    // "7 per 8: da imparare", what a screen reader says of a cell.
    static QString cellName(int table, int multiplier, const FactSummary &fact);
    // "7 per 8 = 56 — chiesta 5 volte, giusta 3 — tempo mediano 4,2 s — l'ultima
    // volta il 03/12/2026 — lo ricorda con sicurezza".
    static QString details(int table, int multiplier, const FactSummary &fact);
    // The table and its legend drawn into area, as large as they fit, at its
    // top; focused is the cell drawn with a ring (table * 10 + multiplier - 11),
    // or -1. Used on the screen and on paper.
    static void paint(
        QPainter &painter, const QRectF &area, const FactGrid &grid, int focused = -1);
    // The side of a cell when the table is drawn into area.
    static qreal cellSide(const QSizeF &area);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

Q_SIGNALS:
    // The details of the cell pointed at or focused; empty when none is.
    void pointed(const QString &details);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeCells();
    void describeCells();
    void moveFocus(int from, int rows, int columns);
    void point(int index);

    FactGrid m_grid;
    std::array<QWidget *, 100> m_cells {};
    std::array<QWidget *, 10> m_rowHeaders {};
    std::array<QWidget *, 10> m_columnHeaders {};
    int m_focused = -1;
    int m_hovered = -1;
};

} // namespace Zentovia
