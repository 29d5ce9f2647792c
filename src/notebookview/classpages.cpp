#include "notebookview/classpages.h"

#include "core/title.h"
#include "notebookview/factgridview.h"
#include "notebookview/sansfont.h"
#include "words/tablewords.h"

#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace Zentovia {

QString factsToWorkOn(const FactGrid &grid)
{
    struct Candidate
    {
        int table;
        int multiplier;
        double recall;
    };
    QList<Candidate> candidates;
    bool asked = false;
    for (int t = 0; t < 10; ++t) {
        for (int m = 0; m < 10; ++m) {
            const FactSummary &fact = grid.at(t).at(m);
            asked = asked || fact.asked;
            if (fact.asked && fact.state != FactState::Learned)
                candidates.append({ t + 1, m + 1, fact.recallInAWeek });
        }
    }
    if (!asked)
        return u"Non ha ancora risposto a nessuna domanda: i fatti da ripassare si vedranno "
               "dopo la prima gara."_s;
    if (candidates.isEmpty())
        return u"Nessun fatto da ripassare: continua così!"_s;
    std::stable_sort(candidates.begin(), candidates.end(),
        [](const Candidate &a, const Candidate &b) { return a.recall < b.recall; });
    QStringList named;
    for (const Candidate &c : candidates.mid(0, 3))
        named << u"%1 per %2"_s.arg(c.table).arg(c.multiplier);
    return u"Da ripassare: "_s + listed(named) + u'.';
}

QString learnedInTheWeek(const QList<Fact> &facts)
{
    if (facts.isEmpty())
        return u"In questa settimana non ha imparato moltiplicazioni nuove."_s;
    QStringList named;
    for (const Fact &fact : facts)
        named << u"%1 per %2"_s.arg(fact.table).arg(fact.multiplier);
    return u"In questa settimana ha imparato %1: %2."_s.arg(
        counted(facts.size(), u"moltiplicazione nuova"_s, u"moltiplicazioni nuove"_s),
        listed(named));
}

bool printClassPages(QPagedPaintDevice &device, const QList<ClassChild> &children)
{
    if (children.isEmpty())
        return false;
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    for (qsizetype i = 0; i < children.size(); ++i) {
        if (i > 0 && !device.newPage())
            return false;
        const ClassChild &child = children.at(i);
        const QRectF page(0, 0, device.width(), device.height());
        const qreal line = page.height() / 36;
        painter.setPen(Qt::black);
        painter.setFont(sansFont(line, true));
        painter.drawText(QRectF(page.left(), page.top(), page.width(), line * 1.5),
            Qt::AlignLeft | Qt::AlignVCenter, u"Quaderno dei progressi di %1"_s.arg(child.name));
        painter.setFont(sansFont(line * 0.6));
        painter.drawText(QRectF(page.left(), page.top() + line * 1.5, page.width(), line),
            Qt::AlignLeft | Qt::AlignVCenter,
            u"%1 – stampato il %2 – %3"_s.arg(programTitle(),
                QDate::currentDate().toString(u"dd/MM/yyyy"_s),
                child.lastDay.isValid()
                    ? u"l'ultima volta ha giocato il "_s + child.lastDay.toString(u"dd/MM/yyyy"_s)
                    : u"non ha ancora giocato"_s));
        // What a parent reads in a minute.
        const QString week = child.thisWeek == 1
            ? u"Negli ultimi sette giorni ha risposto a 1 domanda."_s
            : u"Negli ultimi sette giorni ha risposto a %1 domande."_s.arg(child.thisWeek);
        const int minutes = (child.thisWeekSeconds + 30) / 60;
        const QString spent = child.thisWeek == 0 ? QString()
            : minutes == 0 ? u" Per rispondere ha impiegato meno di un minuto."_s
            : minutes == 1 ? u" Per rispondere ha impiegato circa 1 minuto."_s
                           : u" Per rispondere ha impiegato circa %1 minuti."_s.arg(minutes);
        const QString known = child.learned == 1
            ? u"Conosce con sicurezza 1 moltiplicazione su 100."_s
            : u"Conosce con sicurezza %1 moltiplicazioni su 100."_s.arg(child.learned);
        const QString words = week + spent + u' ' + learnedInTheWeek(child.learnedThisWeek) + u' '
            + known + u' ' + factsToWorkOn(child.grid);
        painter.setFont(sansFont(line * 0.75));
        const QRectF wordsArea(page.left(), page.top() + line * 2.8, page.width(), line * 3.6);
        painter.drawText(wordsArea, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, words);
        const qreal gridTop = wordsArea.bottom() + line * 0.5;
        FactGridView::paint(painter,
            QRectF(page.left(), gridTop, page.width(), page.bottom() - gridTop), child.grid);
    }
    return painter.end();
}

} // namespace Zentovia
