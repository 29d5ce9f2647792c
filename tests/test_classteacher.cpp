#include "classserver/classlistfile.h"

#include <QStringEncoder>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace Zentovia;

// The teacher's tools as a teacher meets them: the class list from what
// registers and spreadsheets export.
class TestClassTeacher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void importedList_data();
    void importedList();
};

void TestClassTeacher::importedList_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("skipped"); // "line: why"
    QTest::addColumn<QString>("problem");

    QTest::newRow("a title line above the header")
        << QByteArray("Elenco alunni classe 3A - a.s. 2024/2025\r\n\r\n"
                      "Cognome;Nome;Data di nascita\r\nRossi;Niccol\xc3\xb2;12/03/2016\r\n"
                      "Bianchi;Anna  Maria;01/02/2016\r\n")
        << QStringList { u"Rossi Niccolò"_s, u"Bianchi Anna Maria"_s }
        << QStringList { u"1: prima dell'intestazione"_s } << QString();
    QTest::newRow("'Cognome e nome', totals, a repeated header")
        << QByteArray("Cognome e nome\nRossi Niccol\xc3\xb2\nCognome e nome\nVerdi Luca;\n\n"
                      "Totale alunni: 2;\n")
        << QStringList { u"Rossi Niccolò"_s, u"Verdi Luca"_s }
        << QStringList { u"3: intestazione ripetuta"_s, u"6: riga dei totali"_s } << QString();
    QTest::newRow("tab-separated, a name twice")
        << QByteArray("N.\tCognome\tNome\n1\tRossi\tNiccol\xc3\xb2\n2\tD'Amico\tZo\xc3\xab\n"
                      "3\trossi\tniccol\xc3\xb2 \n4\t\t\n")
        << QStringList { u"Rossi Niccolò"_s, u"D'Amico Zoë"_s }
        << QStringList { u"5: senza un nome"_s } << QString();
    QTest::newRow("UTF-16 with its byte order mark, 'Alunno/Alunna'")
        << QByteArray("\xff\xfe")
            + QByteArray(QStringEncoder(QStringEncoder::Utf16LE)(
                u"Alunno/Alunna\tData di nascita\r\nRossi Niccolò\t12/03/2016\r\n"
                "3\t12/03/2016\r\n"_s))
        << QStringList { u"Rossi Niccolò"_s } << QStringList { u"3: non sembra un nome"_s }
        << QString();
    QTest::newRow("a 'Cognome' column alone")
        << QByteArray("Cognome\nRossi\nBianchi\n") << QStringList { u"Rossi"_s, u"Bianchi"_s }
        << QStringList {} << QString();
    QTest::newRow("no header, a column of names")
        << QByteArray("1;ROSSI Niccol\xc3\xb2;3A\n2;de Luca Eva;3A\n\nTotale;2;\n")
        << QStringList { u"ROSSI Niccolò"_s, u"de Luca Eva"_s }
        << QStringList { u"4: riga dei totali"_s } << QString();
    QTest::newRow("a letter to parents")
        << QByteArray("Gentili genitori,\n\nvi ricordo che gioved\xc3\xac 14 marzo andiamo al "
                      "museo.\nOgni bambino porti il pranzo al sacco.\n\nCordiali saluti,\n"
                      "La maestra Rossi\n")
        << QStringList {} << QStringList {} << u"non trovo la colonna dei nomi"_s;
    QTest::newRow("a picture") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << QStringList {}
                               << QStringList {} << u"il file non è un elenco: non è un testo"_s;
}

void TestClassTeacher::importedList()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, names);
    QFETCH(QStringList, skipped);
    QFETCH(QString, problem);
    const ClassListFile list = readClassList(bytes);
    QCOMPARE(list.problem, problem);
    QCOMPARE(list.names, names);
    QStringList lines;
    for (const ClassListFile::Skipped &line : list.skipped)
        lines << u"%1: %2"_s.arg(line.line).arg(line.why);
    QCOMPARE(lines, skipped);
}

QTEST_GUILESS_MAIN(TestClassTeacher)
#include "test_classteacher.moc"
