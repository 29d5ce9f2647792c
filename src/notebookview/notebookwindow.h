#pragma once

#include "classserver/classproblem.h"
#include "classserver/notebookanswers.h"
#include "notebook/notebook.h"
#include "notebookview/progresschart.h"

#include <QWidget>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QPagedPaintDevice;
class QPushButton;
class QStackedWidget;

namespace Zentovia {

class AnswerSource;
class ClassAnswers;
class ClassDatabase;
class FactGridView;
class Notebook;
class NotebookWriter;

// The notebook as a parent or a teacher reads it ("Quaderno dei progressi"):
// a child chosen among those in the notebook, the child's hundred facts, the
// child's time for a fact, the right answers day by day; printing them, and
// erasing the child's notebook. A problem with the notebook is said in a line
// at the top, and the window stays usable.
//
// With a class's server, the window shows this computer's notebook at once
// and the class's when the server answers; a line says which it shows.
// This computer's notebook is read and written on the notebook's own thread
// (NotebookWriter), the server on a thread of its own: the window never opens
// the file, and never waits. Both are read through one AnswerSource, the one
// shown.
class NotebookWindow : public QWidget
{
    Q_OBJECT
public:
    // Answers a yes or no question (the text is plain text): true for yes.
    using Confirmation = std::function<bool(const QString &question)>;
    // Asks where to print, on a printer or into a PDF file; nullptr when
    // given up.
    using PrinterChoice = std::function<std::unique_ptr<QPagedPaintDevice>()>;
    // Asks for a name: empty when given up.
    using NameQuestion = std::function<QString(const QString &question)>;

    // The notebook's owner is the caller's and outlives the window.
    explicit NotebookWindow(NotebookWriter &notebook, QWidget *parent = nullptr);
    ~NotebookWindow() override;

    // The defaults open a QMessageBox and a QPrintDialog over the window.
    void setConfirmation(Confirmation confirm) { m_confirm = std::move(confirm); }
    void setPrinterChoice(PrinterChoice choose) { m_choosePrinter = std::move(choose); }
    void setNameQuestion(NameQuestion ask) { m_askName = std::move(ask); }

    // Shows the class from its server (a libpq connection string) instead
    // of this computer's notebook, once it answers; when it cannot be
    // reached, this computer's notebook, and a line that says so.
    void setClass(const QString &connection);
    // Says something about the notebook in the line at the top.
    void showProblem(const QString &sentence);

    // The child shown, by name as last typed; empty when none.
    QString child() const;
    // The shown child's page: name, date, facts and days, as shown. False
    // when nothing could be drawn on device.
    bool print(QPagedPaintDevice &device);

    // Reads the children again and shows the one named if still there, or
    // the most recently active; the class's as they come.
    void reload(const QString &child = QString());

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    // The row that says a problem, with "Riprova".
    void buildProblemRow();
    // The page of one child: the settings, the grid and the picture.
    QWidget *buildChildPage();
    // This computer's children, read on the notebook's thread; shown unless
    // the class's are by then.
    void readChildren(int listing, const QString &child, bool show);
    void showChildren(const QList<Child> &children, const QString &child);
    void showChild();
    void showGrid();
    void showSource();
    void chooseSeconds();
    void askToPrint();
    void askToErase();
    // "Aggiungi un bambino…": a child who has not played yet, whose times a
    // parent sets before the first game.
    void askToAdd();
    // The child's answers are read for the picture once the table is on the
    // screen, on a thread of their own: a child with years of answers takes
    // a few tenths of a second.
    void readSessions();
    void showSessions(int reading, const QList<Session> &sessions, const QString &problem);
    // change on the notebook's thread, then done() here; its problem said
    // in the line at the top.
    void write(std::function<bool(Notebook &)> change, std::function<void()> done);
    // The source shown: the class's once it has answered, else this
    // computer's notebook.
    AnswerSource &shown();
    // A read of the source shown failed: said in the line at the top; the
    // class's server away, this computer's notebook instead (true).
    bool readFailed(const AnswerSource &source, const ClassProblem &problem);

    // The class's server cannot be reached: this computer's notebook instead.
    void leaveClass(const ClassProblem &problem);
    // "Non riesco a leggere l'archivio della classe …", for the class's server.
    QString classSentence(const ClassProblem &problem) const;
    bool showsClass() const { return m_class && m_classShown; }
    void printWhenReady();
    // The teacher's (notebookwindowclass.cpp).
    void connectClassPage();
    void toggleClassPage();
    // New picture codes for these children of the list, and their cards.
    void giveCodes(const QStringList &children);
    // The class at a glance read again; said: what to say once it is shown.
    void readClassPage(const QString &said = QString());
    // A change to the class on its server, then the class read again.
    void changeClass(
        std::function<bool(ClassDatabase &, ClassProblem *)> change, const QString &done);

    NotebookWriter &m_notebook;
    NotebookAnswers m_local;
    std::unique_ptr<ClassAnswers> m_class;
    bool m_classShown = false; // the list shown is the class's
    bool m_pupils = false; // the class's server knows this login as a pupils' computer
    qint64 m_waiting = 0; // this computer's answers not on the server yet
    int m_listing = 0; // the last list asked for: the others are stale
    std::unique_ptr<QPagedPaintDevice> m_pendingPrint; // until the page is read
    bool m_gridReady = true;
    QLabel *m_source = nullptr;
    Confirmation m_confirm;
    NameQuestion m_askName;
    PrinterChoice m_choosePrinter;
    QPushButton *m_addChild = nullptr;
    QWidget *m_problemRow = nullptr;
    QLabel *m_problem = nullptr;
    QStackedWidget *m_pages = nullptr;
    QLabel *m_empty = nullptr;
    QComboBox *m_chooser = nullptr;
    QComboBox *m_seconds = nullptr;
    class ContestTimeChooser *m_minutes = nullptr;
    QPushButton *m_print = nullptr;
    QPushButton *m_erase = nullptr;
    QPushButton *m_classButton = nullptr; // the teacher's: the class at a glance
    class ClassPage *m_classPage = nullptr;
    FactGridView *m_grid = nullptr;
    QLabel *m_detail = nullptr;
    ProgressChart *m_chart = nullptr;
    enum class Chart { Stale, Reading, Ready };
    Chart m_chartState = Chart::Stale;
    int m_reading = 0; // the last reading asked for: the others are stale
    int m_gridAsked = 0; // the last grid asked: the others are stale
    QString m_gridChild; // whose grid is shown, or being read
    const AnswerSource *m_gridSource = nullptr; // and from where
};

} // namespace Zentovia
