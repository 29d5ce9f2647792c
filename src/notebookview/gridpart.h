#pragma once

#include <QWidget>

namespace Zentovia {

class FactGridView;

// A part of the grid of facts that a screen reader reads as a table: a cell
// (row and column from 0), the header of a row (column -1, a times table)
// or of a column (row -1, a multiplier). It draws nothing: the grid draws
// itself.
class GridPart : public QWidget
{
    Q_OBJECT
public:
    GridPart(FactGridView *grid, int row, int column);

    // The grid and its parts read as a table; before the grid is named.
    static void installAccessibility();

    FactGridView *grid() const;
    int row() const { return m_row; }
    int column() const { return m_column; }
    bool isCell() const { return m_row >= 0 && m_column >= 0; }

private:
    const int m_row;
    const int m_column;
};

} // namespace Zentovia
