#include "notebookview/contesttimechooser.h"

#include "classserver/classqueries.h"
#include "core/tables.h"
#include "notebook/notebook.h"
#include "notebook/notebookwriter.h"
#include "telling/telling.h"

#include <QPointer>
#include <QSignalBlocker>

using namespace Qt::StringLiterals;

namespace Zentovia {

ContestTimeChooser::ContestTimeChooser(NotebookWriter &notebook, QWidget *parent)
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
    const int showing = ++m_showing;
    // This computer's, then the class's when the window shows the class.
    m_notebook.ask(
        [child](Notebook &notebook) { return notebook.settings().contestMinutes(child); },
        [self = QPointer(this), child, showing](int here) {
            if (!self || showing != self->m_showing)
                return;
            self->showMinutes(here);
            if (!self->m_class)
                return;
            self->m_class->ask([child, here](ClassReader &reader,
                                   Notebook *) { return reader.contestMinutes(child, here); },
                [self, showing](const std::optional<int> &minutes, const ClassProblem &why) {
                    if (!self || showing != self->m_showing)
                        return;
                    if (minutes)
                        self->showMinutes(*minutes);
                    else
                        Q_EMIT self->problem(Telling::classRead(self->m_class->connection(), why));
                });
        });
}

void ContestTimeChooser::choose()
{
    const int minutes = currentData().toInt();
    // A reading asked before is stale.
    ++m_showing;
    using Done = std::pair<bool, NotebookProblem>;
    m_notebook.ask(
        [child = m_child, minutes](Notebook &notebook) -> Done {
            const bool set = notebook.settings().setContestMinutes(child, minutes);
            return { set, set ? NotebookProblem() : notebook.problem() };
        },
        [self = QPointer(this)](const Done &done) {
            if (self && !done.first)
                Q_EMIT self->problem(Telling::notebook(done.second));
        });
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
