#include "words/numlett.h"

#include "core/failure.h"

#include <QStringView>

#include <array>
#include <limits>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

constexpr qint64 Scale = 10000; // ten-thousandths in one unit
constexpr qint64 Limit = 1'000'000'000'000; // first number with no words

// The word for n (0 to 20) is at index n + 1, the tens word for t (2 to 9)
// at index t + 19: "venti" is both the word for 20 and the tens word for 2.
// Index 0 is never used.
constexpr std::array<QStringView, 29> Words = {
    u"",
    u"",
    u"uno",
    u"due",
    u"tre",
    u"quattro",
    u"cinque",
    u"sei",
    u"sette",
    u"otto",
    u"nove",
    u"dieci",
    u"undici",
    u"dodici",
    u"tredici",
    u"quattordici",
    u"quindici",
    u"sedici",
    u"diciassette",
    u"diciotto",
    u"diciannove",
    u"venti",
    u"trenta",
    u"quaranta",
    u"cinquanta",
    u"sessanta",
    u"settanta",
    u"ottanta",
    u"novanta",
};

// The words of one group of three digits (1 to 999), appended to s.
void appendGroup(QString &s, qint64 g)
{
    qint64 r = g;
    if (r > 99) {
        const qint64 h = r / 100;
        r -= 100 * h;
        if (h != 1)
            s += Words[h + 1];
        s += u"cento";
    }
    if (r <= 20) {
        s += Words[r + 1];
        return;
    }
    const qint64 t = r / 10;
    s += Words[t + 19];
    r -= 10 * t;
    // "ventuno", "trentotto": the tens word loses its final vowel before 1 and 8.
    if (r == 1 || r == 8)
        s.chop(1);
    s += Words[r + 1];
}

QString fixedPointText(qint64 numer)
{
    QString text = QString::number(numer / Scale);
    const qint64 fraction = numer % Scale;
    if (fraction != 0) {
        QString decimals = u"%1"_s.arg(qAbs(fraction), 4, 10, QLatin1Char('0'));
        while (decimals.endsWith(u'0'))
            decimals.chop(1);
        text += u'.' + decimals;
    }
    return text;
}

} // namespace

QString numlett(qint64 numer)
{
    if (numer >= Limit * Scale)
        throw Failure(u"Non so scrivere in lettere il numero %1: il più grande che conosco è "
                      "999 999 999 999."_s.arg(fixedPointText(numer)));

    QString s;
    qint64 v = numer / Scale; // drops the fraction; anything below 1 gives 0 or less
    qint64 power = 1'000'000'000;
    for (int k = 3; k >= 0; --k, power /= 1000) {
        const qint64 g = v / power;
        if (g <= 0)
            continue;
        appendGroup(s, g);
        switch (k) {
        case 3:
            if (g == 1)
                s = u"unmiliardo"_s;
            else
                s += u"miliardi";
            break;
        case 2:
            if (g == 1) {
                s.chop(3);
                s += u"unmilione";
            } else {
                s += u"milioni";
            }
            break;
        case 1:
            if (g == 1) {
                s.chop(3);
                s += u"mille";
            } else {
                s += u"mila";
            }
            break;
        default:
            break;
        }
        v -= g * power;
    }
    return s;
}

qint64 toFixedPoint(const QString &text)
{
    const auto notANumber
        = [&text]() { return Failure(u"Non riesco a leggere «%1» come un numero."_s.arg(text)); };

    const QStringView t = QStringView(text).trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) {
        negative = t[i] == u'-';
        ++i;
    }

    constexpr qint64 Max = std::numeric_limits<qint64>::max();
    const auto tooBig
        = [&text]() { return Failure(u"Il numero «%1» è troppo grande."_s.arg(text)); };
    qint64 whole = 0;
    int wholeDigits = 0;
    for (; i < t.size() && t[i] >= u'0' && t[i] <= u'9'; ++i, ++wholeDigits) {
        const int d = t[i].unicode() - u'0';
        if (whole > (Max / Scale - d) / 10)
            throw tooBig();
        whole = whole * 10 + d;
    }

    qint64 fraction = 0;
    int fractionDigits = 0;
    if (i < t.size() && t[i] == u'.') {
        for (++i; i < t.size() && t[i] >= u'0' && t[i] <= u'9'; ++i, ++fractionDigits) {
            if (fractionDigits < 4)
                fraction = fraction * 10 + (t[i].unicode() - u'0');
        }
    }
    if (i != t.size() || wholeDigits + fractionDigits == 0)
        throw notANumber();
    for (int n = fractionDigits; n < 4; ++n)
        fraction *= 10;
    if (whole > (Max - fraction) / Scale)
        throw tooBig();

    const qint64 value = whole * Scale + fraction;
    return negative ? -value : value;
}

} // namespace Zentovia
