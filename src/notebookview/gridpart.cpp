#include "notebookview/gridpart.h"

#include "notebookview/factgridview.h"

#include <QAccessibleWidget>

namespace Zentovia {

namespace {

QAccessibleInterface *accessibleOf(QWidget *widget)
{
    return widget ? QAccessible::queryAccessibleInterface(widget) : nullptr;
}

// The grid: ten rows of times tables by ten columns of multipliers, with
// their headers among its children.
class GridTable : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit GridTable(FactGridView *grid)
        : QAccessibleWidget(grid, QAccessible::Table)
    { }

    FactGridView *grid() const { return static_cast<FactGridView *>(widget()); }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QAccessibleInterface *cellAt(int row, int column) const override
    {
        if (row < 0 || row > 9 || column < 0 || column > 9)
            return nullptr;
        return accessibleOf(grid()->cell(row + 1, column + 1));
    }
    int rowCount() const override { return 10; }
    int columnCount() const override { return 10; }
    QString rowDescription(int row) const override
    {
        QWidget *header = grid()->rowHeader(row + 1);
        return header ? header->accessibleName() : QString();
    }
    QString columnDescription(int column) const override
    {
        QWidget *header = grid()->columnHeader(column + 1);
        return header ? header->accessibleName() : QString();
    }
    // Nothing is selected in it: the focus moves from cell to cell.
    int selectedCellCount() const override { return 0; }
    QList<QAccessibleInterface *> selectedCells() const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent *) override { }
};

class GridCell : public QAccessibleWidget, public QAccessibleTableCellInterface
{
public:
    explicit GridCell(GridPart *cell)
        : QAccessibleWidget(cell, QAccessible::Cell)
    { }

    GridPart *part() const { return static_cast<GridPart *>(widget()); }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableCellInterface)
            return static_cast<QAccessibleTableCellInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    bool isSelected() const override { return false; }
    QList<QAccessibleInterface *> rowHeaderCells() const override
    {
        return { accessibleOf(part()->grid()->rowHeader(part()->row() + 1)) };
    }
    QList<QAccessibleInterface *> columnHeaderCells() const override
    {
        return { accessibleOf(part()->grid()->columnHeader(part()->column() + 1)) };
    }
    int rowIndex() const override { return part()->row(); }
    int columnIndex() const override { return part()->column(); }
    int rowExtent() const override { return 1; }
    int columnExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return accessibleOf(part()->grid()); }
};

QAccessibleInterface *gridFactory(const QString &key, QObject *object)
{
    if (key == QLatin1StringView(FactGridView::staticMetaObject.className()))
        return new GridTable(static_cast<FactGridView *>(object));
    if (key != QLatin1StringView(GridPart::staticMetaObject.className()))
        return nullptr;
    auto *part = static_cast<GridPart *>(object);
    if (part->isCell())
        return new GridCell(part);
    return new QAccessibleWidget(
        part, part->column() < 0 ? QAccessible::RowHeader : QAccessible::ColumnHeader);
}

} // namespace

GridPart::GridPart(FactGridView *grid, int row, int column)
    : QWidget(grid)
    , m_row(row)
    , m_column(column)
{
    installAccessibility();
    if (!isCell()) {
        // A header takes neither the focus nor the mouse.
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
}

void GridPart::installAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(gridFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

FactGridView *GridPart::grid() const
{
    return static_cast<FactGridView *>(parentWidget());
}

} // namespace Zentovia
