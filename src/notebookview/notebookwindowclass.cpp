// The notebook's window with the teacher's login: the class at a glance, and
// what the teacher changes in it.
#include "notebookview/notebookwindow.h"

#include "classserver/classanswers.h"
#include "classserver/classdatabase.h"
#include "classserver/classlist.h"
#include "classserver/picturecode.h"
#include "learning/localclock.h"
#include "notebookview/classpage.h"
#include "notebookview/classpages.h"
#include "notebookview/codecards.h"
#include "words/tablewords.h"

#include <QComboBox>
#include <QPagedPaintDevice>
#include <QPushButton>
#include <QStackedWidget>

using namespace Qt::StringLiterals;

namespace Zentovia {

void NotebookWindow::connectClassPage()
{
    connect(m_classPage, &ClassPage::printRequested, this, [this] {
        const std::unique_ptr<QPagedPaintDevice> device = m_choosePrinter();
        if (device && !printClassPages(*device, m_classPage->children()))
            showProblem(u"Non riesco a stampare la classe: controlla la stampante e riprova."_s);
    });
    connect(m_classPage, &ClassPage::codesRequested, this, &NotebookWindow::giveCodes);
    connect(m_classPage, &ClassPage::addRequested, this, [this](const QString &name) {
        changeClass(
            [name](ClassDatabase &database, ClassProblem *why) {
                const std::optional<ClassList::Added> added
                    = ClassList::add(database, { name }, why);
                if (added && added->added.isEmpty())
                    *why = ClassProblem::of(ClassReason::AlreadyListed, { name });
                return added && !added->added.isEmpty();
            },
            u"%1 ora è nell'elenco della classe."_s.arg(name));
    });
    connect(m_classPage, &ClassPage::renameRequested, this,
        [this](const QString &from, const QString &to) {
            changeClass(
                [from, to](ClassDatabase &database, ClassProblem *why) {
                    return ClassList::rename(database, from, to, why);
                },
                u"Le risposte di %1 ora sono di %2, su ogni computer della classe appena si "
                "collega."_s.arg(from, to));
        });
    connect(m_classPage, &ClassPage::unjoinRequested, this, [this](const QString &joined) {
        changeClass([joined](ClassDatabase &database,
                        ClassProblem *why) { return ClassList::unjoin(database, joined, why); },
            u"Le risposte date col nome %1 sono di nuovo sue."_s.arg(joined));
    });
    connect(m_classPage, &ClassPage::removeRequested, this, [this](const QString &name) {
        changeClass([name](ClassDatabase &database,
                        ClassProblem *why) { return ClassList::remove(database, name, why); },
            u"%1 non è più nell'elenco della classe; le sue risposte restano."_s.arg(name));
    });
    connect(m_classPage, &ClassPage::assignRequested, this,
        [this](const Assignment &assignment, const QString &child) {
            changeClass(
                [assignment, child](ClassDatabase &database, ClassProblem *why) {
                    return ClassList::assign(database, assignment, child, why);
                },
                u"%1 %2 a %3 fino al %4: i computer della classe la propongono da soli."_s.arg(
                    assignment.tables.size() == 1 ? u"Assegnata"_s : u"Assegnate"_s,
                    tablesNamed(assignment.tables), child.isEmpty() ? u"tutta la classe"_s : child,
                    assignment.until.toString(u"dd/MM/yyyy"_s)));
        });
}

void NotebookWindow::giveCodes(const QStringList &children)
{
    // The printer first: a code the teacher cannot print is never given.
    std::shared_ptr<QPagedPaintDevice> device = m_choosePrinter();
    if (!device)
        return;
    QList<CodeCard> cards;
    for (const QString &child : children)
        cards.append({ child, PictureCode::draw() });
    m_classPage->say(u"Scrivo nell'archivio della scuola…"_s);
    // Each code in place of the old one, as one step on the server; the
    // cards of those given.
    m_class->queries().ask(
        [cards](ClassReader &reader, Notebook *) -> std::optional<QList<CodeCard>> {
            QList<CodeCard> given;
            for (const CodeCard &card : cards) {
                if (!reader.setCode(card.child, card.code))
                    break;
                given << card;
            }
            if (given.isEmpty())
                return std::nullopt;
            return given;
        },
        [this, device, wanted = cards.size()](
            const std::optional<QList<CodeCard>> &given, const ClassProblem &problem) {
            if (!given) {
                m_classPage->say(classSentence(problem));
                return;
            }
            QString said = given->size() == 1
                ? u"%1 ha un codice nuovo: eccolo sulla sua tessera."_s.arg(given->first().child)
                : u"%1 bambini hanno un codice nuovo: eccoli sulle loro tessere."_s.arg(
                    given->size());
            if (given->size() < wanted)
                said += u" Gli altri tengono il codice di prima: riprova più tardi."_s;
            if (!printCodeCards(*device, *given))
                said = u"Non riesco a stampare le tessere: controlla la stampante e dai di "
                       "nuovo i codici."_s;
            m_classPage->say(said);
        });
}

void NotebookWindow::toggleClassPage()
{
    if (m_pages->currentWidget() == m_classPage) {
        m_classButton->setText(u"La classe"_s);
        m_pages->setCurrentIndex(m_chooser->count() > 0 ? 1 : 0);
        return;
    }
    m_classButton->setText(u"Torna al bambino"_s);
    m_pages->setCurrentWidget(m_classPage);
    m_classPage->setReading();
    readClassPage();
}

void NotebookWindow::readClassPage(const QString &said)
{
    m_class->queries().ask(
        [](ClassReader &reader, Notebook *) {
            return readClassOverview(reader, LocalClock::wallSeconds(QDateTime::currentDateTime()));
        },
        [this, said](
            const std::optional<QList<ClassChild>> &children, const ClassProblem &problem) {
            if (!children) {
                showProblem(classSentence(problem));
                return;
            }
            m_classPage->setClass(*children);
            if (!said.isEmpty())
                m_classPage->say(said);
        });
}

void NotebookWindow::changeClass(
    std::function<bool(ClassDatabase &, ClassProblem *)> change, const QString &done)
{
    m_classPage->say(u"Scrivo nell'archivio della scuola…"_s);
    m_class->queries().ask(
        [change = std::move(change)](ClassReader &reader, Notebook *) {
            if (!reader.open())
                return false;
            ClassProblem why;
            return change(*reader.database(), &why) || reader.failed(why);
        },
        [this, done](bool changed, const ClassProblem &problem) {
            if (!changed) {
                m_classPage->say(classSentence(problem));
                return;
            }
            readClassPage(done);
            reload(child());
        });
}

} // namespace Zentovia
