#include "app/picturepad.h"
#include "classserver/classreader.h"
#include "classserver/classsender.h"
#include "classserver/picturecode.h"
#include "core/tables.h"
#include "notebook/notebook.h"
#include "support/privatepostgres.h"

#include <QAccessible>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace Zentovia;

// The picture pad a child of the class list gives their code on, against the
// class's real server.
class TestPicturePad : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void pad_data();
    void pad();
    void asksFor_data();
    void asksFor();
    void unconfirmedSent();

private:
    QTemporaryDir m_home;
    PrivatePostgres m_postgres;
};

namespace {

const QString Class = u"classe_figure"_s;

// The pad's buttons as a screen reader finds them: name to interface.
QList<QAccessibleInterface *> buttons(QWidget &pad)
{
    QList<QAccessibleInterface *> found;
    QAccessibleInterface *root = QAccessible::queryAccessibleInterface(&pad);
    for (int n = 0; root && n < root->childCount(); ++n)
        if (root->child(n)->role() == QAccessible::Button)
            found << root->child(n);
    return found;
}

QAccessibleInterface *named(QWidget &pad, const QString &name)
{
    for (QAccessibleInterface *button : buttons(pad))
        if (button->text(QAccessible::Name) == name)
            return button;
    return nullptr;
}

} // namespace

void TestPicturePad::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("XDG_DATA_HOME", m_home.filePath(u"data"_s).toUtf8());
    if (!PrivatePostgres::installed())
        QSKIP("PostgreSQL's server is not installed (scripts/install-deps)");
    QString why;
    QVERIFY2(m_postgres.start(&why), qPrintable(why));
    QVERIFY2(m_postgres.createClass(Class, &why), qPrintable(why));
    QVERIFY2(!m_postgres
                  .sql(u"postgres"_s,
                      u"CREATE ROLE pc_aula LOGIN IN ROLE zentovia_alunni;"
                      "CREATE ROLE maestra LOGIN IN ROLE zentovia_insegnanti"_s,
                      &why)
                  .isNull(),
        qPrintable(why));
    QVERIFY2(m_postgres.admit(Class, { u"pc_aula"_s, u"maestra"_s }, &why), qPrintable(why));
    QVERIFY2(
        !m_postgres
             .sql(Class, u"INSERT INTO zentovia_roster (child_key, name) VALUES ('ugo', 'Ugo')"_s,
                 &why)
             .isNull(),
        qPrintable(why));
    ClassReader teacher(m_postgres.connection(Class, u"maestra"_s));
    QVERIFY2(teacher.setCode(u"Ugo"_s, u"415"_s) && teacher.setContestMinutes(u"Ugo"_s, NoClock),
        qPrintable(teacher.problem().toDebugString()));
}

void TestPicturePad::pad_data()
{
    QTest::addColumn<bool>("taps"); // or keys
    QTest::addColumn<QStringList>("codes"); // "0": "Non me lo ricordo"
    QTest::addColumn<PictureLogin::Outcome>("outcome");
    QTest::addColumn<QString>("answersName");
    QTest::addColumn<bool>("away"); // the server

    using enum PictureLogin::Outcome;
    QTest::newRow("right, by keys")
        << false << QStringList { u"415"_s } << Right << u"Ugo"_s << false;
    QTest::newRow("right on the third try, by taps")
        << true << QStringList { u"111"_s, u"451"_s, u"415"_s } << Right << u"Ugo"_s << false;
    QTest::newRow("wrong three times, by taps")
        << true << QStringList { u"999"_s, u"514"_s, u"145"_s } << GivenUp
        << u"Ugo (da confermare)"_s << false;
    QTest::newRow("forgotten after a wrong one, by keys")
        << false << QStringList { u"123"_s, u"0"_s } << GivenUp << u"Ugo (da confermare)"_s
        << false;
    QTest::newRow("the server away: played as with none")
        << false << QStringList { u"415"_s } << NoServer << u"Ugo"_s << true;
}

void TestPicturePad::pad()
{
    QFETCH(bool, taps);
    QFETCH(QStringList, codes);
    QFETCH(PictureLogin::Outcome, outcome);
    QFETCH(QString, answersName);
    QFETCH(bool, away);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"quaderno.sqlite"_s);
    PictureLogin login(away ? u"host=%1 dbname=classe"_s.arg(dir.path())
                            : m_postgres.connection(Class, u"pc_aula"_s),
        path, u"Ugo"_s);
    PicturePad pad(login, 60);
    pad.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pad));

    // Nine pictures and "Non me lo ricordo", each a button read by its name.
    QStringList read;
    for (QAccessibleInterface *button : buttons(pad))
        read << button->text(QAccessible::Name);
    QCOMPARE(read, PictureCode::names() << u"Non me lo ricordo"_s);

    for (const QString &code : codes) {
        QCOMPARE(login.outcome() == PictureLogin::Outcome::Wrong, code != codes.first());
        for (const QChar digit : code) {
            const int n = digit.digitValue();
            if (!taps) {
                QTest::keyClick(&pad, n == 0 ? Qt::Key_Escape : Qt::Key(Qt::Key_0 + n));
                continue;
            }
            QAccessibleInterface *button
                = named(pad, n == 0 ? u"Non me lo ricordo"_s : PictureCode::names().at(n - 1));
            QVERIFY(button);
            QTest::mouseClick(qobject_cast<QWidget *>(button->object()), Qt::LeftButton);
        }
        QTRY_VERIFY(!login.checking());
    }
    QCOMPARE(login.outcome(), outcome);
    QCOMPARE(pad.isVisible(), false);
    QCOMPARE(login.answersName(), answersName);
    // The child's own settings with the right code; nothing of the class
    // otherwise.
    QCOMPARE(Notebook(path).settings().contestMinutes(u"ugo"_s) == NoClock,
        outcome == PictureLogin::Outcome::Right);
}

void TestPicturePad::asksFor_data()
{
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("asked");
    const QStringList list { u"Rossi Ugo"_s, u"Ada"_s };
    QTest::newRow("as the list has it") << list << u"Rossi Ugo"_s << true;
    QTest::newRow("case and blanks aside") << list << u" rossi   UGO "_s << true;
    QTest::newRow("a prefix") << list << u"Rossi"_s << false;
    QTest::newRow("a longer name") << list << u"Adamo"_s << false;
    QTest::newRow("no name") << list << QString() << false;
    QTest::newRow("no list") << QStringList() << u"Ada"_s << false;
}

void TestPicturePad::asksFor()
{
    QFETCH(QStringList, list);
    QFETCH(QString, typed);
    QFETCH(bool, asked);
    QCOMPARE(PictureLogin::asksFor(list, typed), asked);
}

// The answers of a child who gave no code reach the teacher under the name
// typed, marked, however long the name: never refused, never the child's.
void TestPicturePad::unconfirmedSent()
{
    QTemporaryDir dir;
    const QString typed(60, u'u');
    const QString marked = PictureCode::unconfirmed(typed);
    QVERIFY(PictureCode::isUnconfirmed(marked));
    Notebook notebook(dir.filePath(u"quaderno.sqlite"_s));
    Answer answer;
    answer.at = QDateTime::currentDateTime();
    answer.child = marked;
    answer.table = 3;
    answer.multiplier = 4;
    answer.typed = u"12"_s;
    answer.outcome = Outcome::Right;
    QVERIFY(notebook.add({ answer }));
    ServerTiming quick;
    quick.retryMs = 300;
    ClassSender sender(notebook.path(), m_postgres.connection(Class, u"pc_aula"_s), quick);
    QTRY_COMPARE(
        m_postgres.sql(Class, u"SELECT string_agg(child, ',') FROM zentovia_answers"_s), marked);
    QVERIFY(marked.size() <= 60 && typed.startsWith(PictureCode::typedOf(marked)));
}

QTEST_MAIN(TestPicturePad)
#include "test_picturepad.moc"
