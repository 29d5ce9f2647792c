#include "notebookview/classpage.h"

#include "classserver/picturecode.h"
#include "notebook/notebook.h"
#include "notebookview/assignmentdialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
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
    , m_add(new QPushButton(u"Aggiungi un bambino…"_s, this))
    , m_rename(new QPushButton(u"Rinomina o unisci…"_s, this))
    , m_remove(new QPushButton(u"Togli dall'elenco"_s, this))
    , m_unjoin(new QPushButton(u"Separa un nome unito…"_s, this))
    , m_assign(new QPushButton(u"Assegna le tabelline…"_s, this))
    , m_codes(new QPushButton(u"Nuovi codici e tessere…"_s, this))
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
    // Every count of every cell, and all ten rows, in view: the page
    // scrolls, the grid never does.
    const QFontMetrics metrics(m_grid->font());
    const int cellWidth = metrics.horizontalAdvance(u"★30 ◐30 ●30"_s) + 12;
    const int cellHeight = metrics.height() + 10;
    m_grid->horizontalHeader()->setMinimumSectionSize(cellWidth);
    m_grid->verticalHeader()->setMinimumSectionSize(cellHeight);
    m_grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grid->setMinimumSize(
        metrics.horizontalAdvance(u"10"_s) + 24 + 10 * cellWidth, cellHeight + 8 + 10 * cellHeight);
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
    auto *right = new QVBoxLayout;
    right->addWidget(m_children, 1);
    auto *listButtons = new QHBoxLayout;
    for (QPushButton *button : { m_add, m_rename, m_remove, m_unjoin })
        listButtons->addWidget(button);
    right->addLayout(listButtons);
    auto *classButtons = new QHBoxLayout;
    classButtons->addWidget(m_assign);
    classButtons->addWidget(m_codes);
    classButtons->addStretch();
    right->addLayout(classButtons);
    m_add->setObjectName(u"addChild"_s);
    m_rename->setObjectName(u"renameChild"_s);
    m_remove->setObjectName(u"removeChild"_s);
    m_unjoin->setObjectName(u"unjoinChild"_s);
    m_unjoin->setEnabled(false);
    m_assign->setObjectName(u"assignTables"_s);
    m_codes->setObjectName(u"newCodes"_s);
    m_rename->setEnabled(false);
    m_remove->setEnabled(false);
    // The grid and the line under it, then the children and their buttons:
    // the window's page scrolls whole when the window is small or the text
    // large.
    m_children->setMinimumHeight(metrics.height() * 10);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(left);
    layout->addLayout(right);
    connect(m_add, &QPushButton::clicked, this, &ClassPage::askToAdd);
    connect(m_rename, &QPushButton::clicked, this, &ClassPage::askToRename);
    connect(m_remove, &QPushButton::clicked, this, &ClassPage::askToRemove);
    connect(m_unjoin, &QPushButton::clicked, this, &ClassPage::askToUnjoin);
    connect(m_assign, &QPushButton::clicked, this, &ClassPage::askToAssign);
    connect(m_codes, &QPushButton::clicked, this, &ClassPage::askForCodes);
    connect(m_children, &QTableWidget::itemSelectionChanged, this, &ClassPage::showChosen);
    m_children->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_children->setSelectionMode(QAbstractItemView::SingleSelection);

    m_askName = [this](const QString &question, const QString &name, const QStringList &names) {
        bool ok = false;
        QStringList offered = names;
        offered.removeAll(name);
        offered.prepend(name);
        const QString given
            = QInputDialog::getItem(this, u"La classe"_s, question, offered, 0, true, &ok);
        return ok ? given.simplified() : QString();
    };
    m_askWork = [this](const QStringList &children) -> std::optional<Work> {
        AssignmentDialog box(children, this);
        if (box.exec() != QDialog::Accepted || !box.assignment())
            return std::nullopt;
        return Work { *box.assignment(), box.child() };
    };
    m_confirm = [this](const QString &question) {
        return QMessageBox::question(this, u"La classe"_s, question) == QMessageBox::Yes;
    };
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
            const int asked = learned + almost + toLearn;
            // A fact nobody was asked says so, not "★0 ◐0 ●0".
            auto *item = new QTableWidgetItem(asked == 0
                    ? u"mai chiesto"_s
                    : u"★%1 ◐%2 ●%3"_s.arg(learned).arg(almost).arg(toLearn));
            item->setTextAlignment(Qt::AlignCenter);
            const QString name = asked == 0
                ? u"%1 per %2: mai chiesto a nessuno"_s.arg(t + 1).arg(m + 1)
                : cellName(t + 1, m + 1, learned, almost, toLearn);
            item->setData(Qt::AccessibleTextRole, name);
            item->setToolTip(name);
            // Blue as more have it learned, orange as more have it to learn
            // (the notebook's palette); the numbers and marks say it too.
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
        auto *name
            = new QTableWidgetItem(child.notOnTheList && !PictureCode::isUnconfirmed(child.name)
                    ? child.name + u" (non in elenco)"_s
                    : child.name);
        name->setData(Qt::UserRole, int(row));
        m_children->setItem(row, 0, name);
        auto *day = new QTableWidgetItem;
        day->setData(Qt::DisplayRole, child.lastDay); // sorts as a day
        m_children->setItem(row, 1, day);
        m_children->setItem(row, 2, numberItem(child.thisWeek));
        m_children->setItem(row, 3, numberItem(child.learned));
    }
    m_children->setSortingEnabled(true);
    m_children->sortItems(0);
    m_helpers->setText(u"Scegli una casella per sapere chi aiutare su quel fatto."_s);
    showChosen();
}

void ClassPage::setQuestions(NameQuestion name, WorkQuestion work, Confirmation confirm)
{
    m_askName = std::move(name);
    m_askWork = std::move(work);
    m_confirm = std::move(confirm);
}

void ClassPage::say(const QString &sentence)
{
    m_helpers->setText(sentence);
}

const ClassChild *ClassPage::chosen() const
{
    const QList<QTableWidgetItem *> items = m_children->selectedItems();
    for (const QTableWidgetItem *item : items) {
        if (item->column() == 0)
            return &m_class.at(item->data(Qt::UserRole).toInt());
    }
    return nullptr;
}

void ClassPage::showChosen()
{
    const ClassChild *child = chosen();
    m_rename->setEnabled(child != nullptr);
    m_remove->setEnabled(child != nullptr && child->onTheList);
    m_unjoin->setEnabled(child != nullptr && !child->joined.isEmpty());
}

QStringList ClassPage::names() const
{
    QStringList list;
    for (const ClassChild &child : m_class)
        list << child.name;
    return list;
}

void ClassPage::askToAdd()
{
    const QString name = m_askName(u"Il nome del bambino da aggiungere all'elenco della classe "
                                   "(con l'iniziale del cognome, se c'è già un altro bambino "
                                   "con lo stesso nome):"_s,
        QString(), {});
    if (!name.isEmpty())
        Q_EMIT addRequested(name);
}

void ClassPage::askToRename()
{
    const ClassChild *child = chosen();
    if (!child)
        return;
    const QString from = child->name;
    // A name marked "da confermare" is offered to the child it was typed as.
    const QString to = m_askName(
        u"Il nuovo nome di %1 (per distinguere due bambini con lo stesso nome, aggiungi "
        "l'iniziale del cognome), oppure il bambino dell'elenco a cui unire le sue "
        "risposte:"_s.arg(from),
        PictureCode::isUnconfirmed(from) ? PictureCode::typedOf(from) : from, names());
    if (to.isEmpty() || to == from)
        return;
    const bool joined = std::any_of(m_class.begin(), m_class.end(), [&](const ClassChild &c) {
        return Notebook::childKey(c.name) == Notebook::childKey(to) && c.name != from;
    });
    if (joined
        && !m_confirm(u"Unisco le risposte di %1 a quelle di %2? Da ora le risposte date col "
                      "nome %1, su ogni computer della classe, sono di %2. Si può tornare "
                      "indietro con «Separa un nome unito…»."_s.arg(from, to)))
        return;
    Q_EMIT renameRequested(from, to);
}

void ClassPage::askToUnjoin()
{
    const ClassChild *child = chosen();
    if (!child || child->joined.isEmpty())
        return;
    const QString joined = child->joined.size() == 1
        ? child->joined.first()
        : m_askName(u"Quale nome unito a %1 separo?"_s.arg(child->name), QString(), child->joined);
    if (!child->joined.contains(joined)
        || !m_confirm(u"Separo %1 da %2? Le risposte date col nome %1 tornano sue."_s.arg(
            joined, child->name)))
        return;
    Q_EMIT unjoinRequested(joined);
}

void ClassPage::askToRemove()
{
    const ClassChild *child = chosen();
    if (!child
        || !m_confirm(
            u"Tolgo %1 dall'elenco della classe? Le sue risposte restano."_s.arg(child->name)))
        return;
    Q_EMIT removeRequested(child->name);
}

void ClassPage::askToAssign()
{
    QStringList listed;
    for (const ClassChild &child : std::as_const(m_class))
        if (!child.notOnTheList)
            listed << child.name;
    const std::optional<Work> work = m_askWork(listed);
    if (work)
        Q_EMIT assignRequested(work->assignment, work->child);
}

void ClassPage::askForCodes()
{
    const ClassChild *child = chosen();
    QStringList listed;
    if (child && child->onTheList) {
        listed << child->name;
    } else {
        for (const ClassChild &c : std::as_const(m_class))
            if (c.onTheList)
                listed << c.name;
    }
    if (listed.isEmpty()
        || !m_confirm(listed.size() == 1
                ? u"Do a %1 un codice nuovo di tre figure e stampo la sua tessera? Il vecchio "
                  "codice non vale più."_s.arg(listed.first())
                : u"Do un codice nuovo di tre figure a ciascuno dei %1 bambini dell'elenco e "
                  "stampo le loro tessere? I vecchi codici non valgono più."_s.arg(listed.size())))
        return;
    Q_EMIT codesRequested(listed);
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
