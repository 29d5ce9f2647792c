#include "notebookview/contesttimechooser.h"

#include "classserver/classqueries.h"
#include "core/tables.h"
#include "notebook/notebook.h"
#include "telling/telling.h"

#include <QSignalBlocker>

using namespace Qt::StringLiterals;

namespace Zentovia {

ContestTimeChooser::ContestTimeChooser(Notebook &notebook, QWidget *parent)
    : NamedComboBox(u"Tempo della gara"_s, parent)
    , m_notebook(notebook)
{
    setObjectName(u"contestMinutes"_s);
    for (const int minutes : ContestMinutesChoices)
        addItem(minutes == NoClock ? u"senza orologio"_s : u"%1 minuti"_s.arg(minutes), minutes);
    setToolTip(u"Con più tempo, o senza orologio, l'orologio parte quando il mago ha finito "
               "di spiegare, la domanda è anche scritta e il record resta a parte."_s);
    connect(this, &QComboBox::currentIndexChanged, this, &ContestTimeChooser::choose);
}

void ContestTimeChooser::showMinutes(int minutes)
{
    const QSignalBlocker quiet(this);
    setCurrentIndex(std::max(0, findData(minutes)));
}

void ContestTimeChooser::showChild(const QString &child, ClassQueries *classQueries)
{
    m_child = child;
    m_class = classQueries;
    const int here = m_notebook.contestMinutes(child);
    showMinutes(here);
    if (!m_class)
        return;
    m_class->ask([child, here](ClassReader &reader,
                     Notebook *) { return reader.contestMinutes(child, here); },
        [this, showing = ++m_showing](const std::optional<int> &minutes, const ClassProblem &why) {
            if (showing != m_showing)
                return;
            if (minutes)
                showMinutes(*minutes);
            else
                Q_EMIT problem(Telling::classRead(m_class->connection(), why));
        });
}

void ContestTimeChooser::choose()
{
    const int minutes = currentData().toInt();
    if (!m_notebook.setContestMinutes(m_child, minutes))
        Q_EMIT problem(Telling::notebook(m_notebook.problem()));
    if (!m_class)
        return;
    m_class->ask([child = m_child, minutes](ClassReader &reader,
                     Notebook *) { return reader.setContestMinutes(child, minutes); },
        [this](bool set, const ClassProblem &why) {
            if (!set && m_class)
                Q_EMIT problem(Telling::classRead(m_class->connection(), why));
        });
}

} // namespace Zentovia
