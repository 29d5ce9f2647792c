#include "notebookview/classpage.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

// A number cell that sorts as a number.
QTableWidgetItem *numberItem(int value)
{
    auto *item = new QTableWidgetItem;
    item->setData(Qt::DisplayRole, value);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace

ClassPage::ClassPage(QWidget *parent)
    : QWidget(parent)
    , m_grid(new QTableWidget(10, 10, this))
    , m_children(new QTableWidget(0, 4, this))
    , m_helpers(new QLabel(this))
{
    m_grid->setObjectName(u"classGrid"_s);
    m_grid->setAccessibleName(u"La classe, fatto per fatto"_s);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QStringList numbers;
    for (int n = 1; n <= 10; ++n)
        numbers << QString::number(n);
    m_grid->setHorizontalHeaderLabels(numbers);
    m_grid->setVerticalHeaderLabels(numbers);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_children->setObjectName(u"classChildren"_s);
    m_children->setAccessibleName(u"I bambini della classe"_s);
    m_children->setHorizontalHeaderLabels(
        { u"Bambino"_s, u"Ultimo giorno"_s, u"Domande in settimana"_s, u"Fatti imparati"_s });
    m_children->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_children->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_children->verticalHeader()->hide();
    m_helpers->setObjectName(u"helpers"_s);
    m_helpers->setWordWrap(true);
    m_helpers->setTextFormat(Qt::PlainText);
    m_helpers->setText(u"Scegli una casella per sapere chi aiutare su quel fatto."_s);

    auto *print = new QPushButton(u"Stampa la classe…"_s, this);
    print->setObjectName(u"printClass"_s);
    connect(print, &QPushButton::clicked, this, &ClassPage::printRequested);
    auto *left = new QVBoxLayout;
    left->addWidget(print, 0, Qt::AlignRight);
    left->addWidget(m_grid, 1);
    left->addWidget(m_helpers);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(left, 5);
    layout->addWidget(m_children, 4);
    connect(m_grid, &QTableWidget::cellClicked, this, &ClassPage::showHelpers);
    connect(m_grid, &QTableWidget::currentCellChanged, this,
        [this](int row, int column) { showHelpers(row, column); });
}

QString ClassPage::cellName(int table, int multiplier, int learned, int almost, int toLearn)
{
    return u"%1 per %2: %3 imparato, %4 quasi, %5 da imparare"_s.arg(table)
        .arg(multiplier)
        .arg(learned)
        .arg(almost)
        .arg(toLearn);
}

void ClassPage::setReading()
{
    m_helpers->setText(u"Leggo la classe dall'archivio della scuola…"_s);
}

void ClassPage::setClass(const QList<ClassChild> &children)
{
    m_class = children;
    for (int t = 0; t < 10; ++t) {
        for (int m = 0; m < 10; ++m) {
            int counts[4] = {};
            for (const ClassChild &child : children)
                ++counts[int(child.grid.at(t).at(m).state)];
            const int learned = counts[int(FactState::Learned)];
            const int almost = counts[int(FactState::Almost)];
            const int toLearn = counts[int(FactState::ToLearn)];
            auto *item
                = new QTableWidgetItem(u"★%1 ◐%2 ●%3"_s.arg(learned).arg(almost).arg(toLearn));
            item->setTextAlignment(Qt::AlignCenter);
            item->setData(Qt::AccessibleTextRole, cellName(t + 1, m + 1, learned, almost, toLearn));
            item->setToolTip(cellName(t + 1, m + 1, learned, almost, toLearn));
            // Blue as more have it learned, orange as more have it to learn
            // (the notebook's palette); the numbers and marks say it too.
            const int asked = learned + almost + toLearn;
            if (asked > 0) {
                const double share = double(learned + almost / 2.0) / asked;
                item->setBackground(share >= 0.5
                        ? QColor(0, 114, 178, int(40 + 140 * (share - 0.5) * 2))
                        : QColor(230, 159, 0, int(40 + 140 * (0.5 - share) * 2)));
            }
            m_grid->setItem(t, m, item);
        }
    }
    m_children->setSortingEnabled(false);
    m_children->setRowCount(int(children.size()));
    for (int row = 0; row < children.size(); ++row) {
        const ClassChild &child = children.at(row);
        m_children->setItem(row, 0,
            new QTableWidgetItem(
                child.notOnTheList ? child.name + u" (non in elenco)"_s : child.name));
        auto *day = new QTableWidgetItem;
        day->setData(Qt::DisplayRole, child.lastDay); // sorts as a day
        m_children->setItem(row, 1, day);
        m_children->setItem(row, 2, numberItem(child.thisWeek));
        m_children->setItem(row, 3, numberItem(child.learned));
    }
    m_children->setSortingEnabled(true);
    m_children->sortItems(0);
    m_helpers->setText(u"Scegli una casella per sapere chi aiutare su quel fatto."_s);
}

void ClassPage::showHelpers(int row, int column)
{
    if (row < 0 || column < 0 || m_class.isEmpty())
        return;
    QStringList toLearn, almost;
    for (const ClassChild &child : std::as_const(m_class)) {
        const FactState state = child.grid.at(row).at(column).state;
        if (state == FactState::ToLearn)
            toLearn << child.name;
        else if (state == FactState::Almost)
            almost << child.name;
    }
    QString text = u"%1 per %2: "_s.arg(row + 1).arg(column + 1);
    if (toLearn.isEmpty() && almost.isEmpty())
        text += u"nessuno da aiutare."_s;
    if (!toLearn.isEmpty())
        text += u"da imparare per %1. "_s.arg(toLearn.join(u", "_s));
    if (!almost.isEmpty())
        text += u"quasi per %1."_s.arg(almost.join(u", "_s));
    m_helpers->setText(text.trimmed());
}

} // namespace Zentovia
