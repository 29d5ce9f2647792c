// The real boxes, opened by start-up on the offscreen platform: the name a
// child types comes back in the greeting exactly as typed.

#include "app/qtdialogs.h"
#include "contest/contest.h"
#include "support/fakes.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Zentovia;
using namespace Zentovia::Testing;
using namespace Qt::StringLiterals;

namespace {

// What a label shows, read back the way a child selects it: all of its
// text, as the label laid it out.
QString shownText(QLabel *label)
{
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QTest::keyClick(label, Qt::Key_A, Qt::ControlModifier);
    return label->selectedText();
}

} // namespace

class TestQtDialogs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void greetingShowsTheName_data();
    void greetingShowsTheName();
    void nameBoxOffersTheClassList();
};

void TestQtDialogs::greetingShowsTheName_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << u"Ada"_s;
    QTest::newRow("tags") << u"<b>Leo</b>"_s;
    QTest::newRow("entity") << u"Leo &lt;3"_s;
    QTest::newRow("runs of blanks") << u"Leo   Verdi  "_s;
    QTest::newRow("blanks and a tag") << u"Leo   <i>Verdi</i>"_s;
}

void TestQtDialogs::greetingShowsTheName()
{
    QFETCH(QString, name);

    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
    QtDialogs dialogs;
    FakeRandom random;
    RecordingAgent agent;
    Contest contest(dialogs, random, agent, merlinCast());

    // The child: types the name into the name box, reads the greeting.
    QString greeting;
    QTimer child;
    child.setInterval(10);
    connect(&child, &QTimer::timeout, this, [&] {
        QWidget *box = QApplication::activeModalWidget();
        if (auto *nameBox = qobject_cast<QInputDialog *>(box)) {
            QTest::keyClicks(nameBox->findChild<QLineEdit *>(), name);
            QTest::keyClick(nameBox->findChild<QLineEdit *>(), Qt::Key_Return);
        } else if (auto *message = qobject_cast<QMessageBox *>(box)) {
            greeting = shownText(message->findChild<QLabel *>(u"qt_msgbox_label"_s));
            message->accept();
        }
    });
    child.start();
    contest.start();

    QCOMPARE(contest.player(), name);
    QCOMPARE(greeting, u' ' + name + u" vediamo se sei un vero campione  "_s);
}

// With a class list, the name box offers its names as the child types, the
// names read from the notebook while the box is open.
void TestQtDialogs::nameBoxOffersTheClassList()
{
    QtDialogs dialogs;
    QStringList offered;
    QTimer child;
    child.setInterval(10);
    connect(&child, &QTimer::timeout, this, [&] {
        auto *nameBox = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
        if (!nameBox)
            return;
        QLineEdit *edit = nameBox->findChild<QLineEdit *>();
        if (edit->text().isEmpty()) {
            dialogs.setSuggestions({ u"Rossi Niccolò"_s, u"Nina"_s, u"Ugo"_s, u"Veronica"_s });
            QTest::keyClicks(edit, u"ni"_s);
            return;
        }
        QCompleter *completer = edit->completer();
        if (completer && offered.isEmpty() && completer->popup()->isVisible()) {
            const QAbstractItemModel *shown = completer->completionModel();
            for (int row = 0; row < shown->rowCount(); ++row)
                offered << shown->index(row, 0).data().toString();
        }
        nameBox->reject();
    });
    child.start();
    dialogs.inputBox(u"Come ti chiami?"_s);
    QCOMPARE(offered, (QStringList { u"Rossi Niccolò"_s, u"Nina"_s }));
}

QTEST_MAIN(TestQtDialogs)
#include "test_qtdialogs.moc"
