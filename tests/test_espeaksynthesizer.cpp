#include "contest/contest.h"
#include "support/loudness.h"
#include "voice/espeaksynthesizer.h"

#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;
using Zentovia::EspeakSynthesizer;
using Zentovia::Utterance;

namespace {

// The words of a text as a reader sees them: split at blanks, without the
// punctuation that follows them.
QStringList readerWords(const QString &text)
{
    QStringList words = text.split(u' ', Qt::SkipEmptyParts);
    for (QString &word : words) {
        while (!word.isEmpty() && QStringLiteral(",.:;!?").contains(word.back()))
            word.chop(1);
    }
    return words;
}

QStringList spokenWords(const Utterance &utterance)
{
    QStringList words;
    for (const auto &word : utterance.words)
        words.append(utterance.text.mid(word.position, word.length));
    return words;
}

double seconds(const Utterance &utterance)
{
    return double(utterance.durationUSecs()) / 1e6;
}

// Seconds of the sound whose 20 ms windows are louder than ordinary room noise.
double loudSeconds(const Utterance &utterance)
{
    return Zentovia::Testing::loudSeconds(utterance.pcm, utterance.sampleRate);
}

} // namespace

class TestEspeakSynthesizer : public QObject
{
    Q_OBJECT

private:
    EspeakSynthesizer m_synthesizer;

private Q_SLOTS:
    void sound_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("shortest");
        QTest::addColumn<double>("longest");
        QTest::newRow("sette") << u"sette"_s << 0.2 << 1.5;
        QTest::newRow("5") << u"5"_s << 0.2 << 1.5;
        QTest::newRow("per") << u"per"_s << 0.15 << 1.2;
        QTest::newRow("Esatto") << u"Esatto"_s << 0.3 << 1.5;
        QTest::newRow("Sbagliato") << u"Sbagliato"_s << 0.3 << 1.8;
        QTest::newRow("instructions") << Zentovia::Contest::Instructions << 12.0 << 30.0;
    }
    // Each text the wizard says gives real sound of a plausible length, with
    // loud stretches (the mouth opens) and quiet ones (it closes).
    void sound()
    {
        QFETCH(QString, text);
        QFETCH(double, shortest);
        QFETCH(double, longest);
        const Utterance utterance = m_synthesizer.synthesize(text);
        QCOMPARE(utterance.sampleRate, m_synthesizer.sampleRate());
        QVERIFY2(seconds(utterance) >= shortest && seconds(utterance) <= longest,
            qPrintable(QString::number(seconds(utterance))));
        QVERIFY2(loudSeconds(utterance) >= 0.4 * seconds(utterance) * (shortest < 1 ? 0.5 : 1),
            qPrintable(QString::number(loudSeconds(utterance))));
        QCOMPARE(utterance.loudness.size(),
            (utterance.durationUSecs() + Utterance::LoudnessWindowUSecs - 1)
                / Utterance::LoudnessWindowUSecs);
        QVERIFY(*std::max_element(utterance.loudness.begin(), utterance.loudness.end()) > 0.5);
        QCOMPARE(utterance.loudness.back(), 0.0); // it ends in a pause, mouth shut
    }

    void words_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("sette") << u"sette"_s << QStringList { u"sette"_s };
        QTest::newRow("35") << u"35"_s << QStringList { u"35"_s };
        QTest::newRow("accents") << u"Niccolò Zoë"_s << QStringList { u"Niccolò"_s, u"Zoë"_s };
        QTest::newRow("emoji") << u"Andrè 😀 Zoë"_s << QStringList { u"Andrè"_s, u"😀"_s, u"Zoë"_s };
        QTest::newRow("emoji first") << u"🧙 Mago"_s << QStringList { u"🧙"_s, u"Mago"_s };
        QTest::newRow("name with digit") << u"Marco2"_s << QStringList { u"Marco"_s, u"2"_s };
        QTest::newRow("instructions")
            << Zentovia::Contest::Instructions << readerWords(Zentovia::Contest::Instructions);
        const QString knight
            = u"Ti nomino cavaliere della tabellina, il massimo ordine per un eroe"_s;
        QTest::newRow("knight") << knight << readerWords(knight);
        const QString champion = u"Hai lavorato bene mio leale campione: sei invincibile"_s;
        QTest::newRow("champion") << champion << readerWords(champion);
    }
    // Every word of the text is reported once, in order, at the right place
    // of the QString (also past accents and characters outside the BMP), and
    // at a later sample than the word before it.
    void words()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        const Utterance utterance = m_synthesizer.synthesize(text);
        QCOMPARE(spokenWords(utterance), expected);
        for (qsizetype i = 1; i < utterance.words.size(); ++i)
            QVERIFY(utterance.words.at(i).sample > utterance.words.at(i - 1).sample);
        QVERIFY(utterance.words.back().sample < utterance.sampleCount());
    }

    void numbers_data()
    {
        QTest::addColumn<QString>("digits");
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("digitByDigit");
        const QStringList names { u"cinque"_s, u"dieci"_s, u"quindici"_s, u"venti"_s,
            u"venticinque"_s, u"trenta"_s, u"trentacinque"_s, u"quaranta"_s, u"quarantacinque"_s,
            u"cinquanta"_s };
        const QStringList digitNames { u"zero"_s, u"uno"_s, u"due"_s, u"tre"_s, u"quattro"_s,
            u"cinque"_s };
        for (int result = 5; result <= 50; result += 5) {
            const QString digits = QString::number(result);
            QString spelled;
            for (QChar digit : digits)
                spelled += (spelled.isEmpty() ? u""_s : u" "_s) + digitNames.at(digit.digitValue());
            QTest::newRow(qPrintable(digits)) << digits << names.at(result / 5 - 1) << spelled;
        }
    }
    // The results 5..50 are read as Italian numbers ("35" is "trentacinque",
    // one word), not digit by digit ("tre cinque").
    void numbers()
    {
        QFETCH(QString, digits);
        QFETCH(QString, words);
        QFETCH(QString, digitByDigit);
        const Utterance number = m_synthesizer.synthesize(digits);
        const Utterance spoken = m_synthesizer.synthesize(words);
        QCOMPARE(number.words.size(), 1);
        const double difference = std::abs(seconds(number) - seconds(spoken));
        QVERIFY2(difference <= 0.12 * seconds(spoken),
            qPrintable(u"%1 s against %2 s"_s.arg(seconds(number)).arg(seconds(spoken))));
        if (digits.size() > 1) {
            const Utterance separate = m_synthesizer.synthesize(digitByDigit);
            QCOMPARE(separate.words.size(), digits.size());
            // Where the two readings differ in length, it is that of the number.
            if (std::abs(seconds(separate) - seconds(spoken)) > 0.15 * seconds(spoken))
                QVERIFY(difference < std::abs(seconds(number) - seconds(separate)));
        }
    }

    void silence_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << u"   "_s;
    }
    // The name of a child who typed only blanks gives no sound and no words.
    void silence()
    {
        QFETCH(QString, text);
        const Utterance utterance = m_synthesizer.synthesize(text);
        QVERIFY(utterance.pcm.isEmpty());
        QVERIFY(utterance.words.isEmpty());
        QCOMPARE(utterance.durationUSecs(), 0);
    }
};

QTEST_GUILESS_MAIN(TestEspeakSynthesizer)
#include "test_espeaksynthesizer.moc"
