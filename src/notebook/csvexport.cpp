#include "notebook/csvexport.h"

#include "learning/localclock.h"
#include "notebook/notebook.h"

#include <QByteArray>
#include <QDate>
#include <QIODevice>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

constexpr qsizetype ChunkBytes = 256 * 1024;

void appendNumber(QByteArray &out, qint64 value, int digits)
{
    char text[24];
    int length = 0;
    do {
        text[length++] = char('0' + value % 10);
        value /= 10;
    } while (value > 0 || length < digits);
    while (length > 0)
        out.append(text[--length]);
}

void appendField(QByteArray &out, const QString &field)
{
    const QByteArray utf8 = field.toUtf8();
    // What a spreadsheet would take for a formula is written as text: an
    // apostrophe before it, the whole quoted.
    const bool formula = !utf8.isEmpty() && QByteArrayView("=+-@\t\r").contains(utf8.front());
    if (!formula && !utf8.contains(';') && !utf8.contains('"') && !utf8.contains('\r')
        && !utf8.contains('\n')) {
        out.append(utf8);
        return;
    }
    out.append('"');
    if (formula)
        out.append('\'');
    for (const char c : utf8) {
        if (c == '"')
            out.append('"');
        out.append(c);
    }
    out.append('"');
}

const char *outcomeName(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Right:
        return "giusta";
    case Outcome::Wrong:
        return "sbagliata";
    case Outcome::Skipped:
        break;
    }
    return "saltata";
}

} // namespace

bool exportCsv(Notebook &notebook, QIODevice &device, ExportProblem *problem)
{
    return exportCsv(
        [&](const AnswerVisit &visit) { return notebook.forEachAnswer(visit); }, device, problem);
}

bool exportCsv(const std::function<bool(const AnswerVisit &)> &forEachAnswer, QIODevice &device,
    ExportProblem *problem)
{
    QByteArray out;
    out.reserve(ChunkBytes + 1024);
    out.append("\xEF\xBB\xBF"
               "data;ora;nome;tabellina;moltiplicatore;risposta;esito;secondi;"
               "modalita\r\n");
    bool written = true;
    const auto flush = [&] {
        written = device.write(out) == out.size();
        out.clear();
        return written;
    };
    const bool read = forEachAnswer([&](const StoredAnswer &answer) {
        const QDate date = LocalClock::dateOf(answer.wallSeconds);
        const qint64 second = answer.wallSeconds - LocalClock::wallDay(answer.wallSeconds) * 86400;
        appendNumber(out, date.year(), 4);
        out.append('-');
        appendNumber(out, date.month(), 2);
        out.append('-');
        appendNumber(out, date.day(), 2);
        out.append(';');
        appendNumber(out, second / 3600, 2);
        out.append(':');
        appendNumber(out, second / 60 % 60, 2);
        out.append(':');
        appendNumber(out, second % 60, 2);
        out.append(';');
        appendField(out, answer.child);
        out.append(';');
        appendNumber(out, answer.table, 1);
        out.append(';');
        appendNumber(out, answer.multiplier, 1);
        out.append(';');
        appendField(out, answer.typed);
        out.append(';');
        out.append(outcomeName(answer.outcome));
        out.append(';');
        appendNumber(out, answer.tenths / 10, 1);
        out.append(',');
        appendNumber(out, answer.tenths % 10, 1);
        out.append(';');
        appendField(out, modeName(answer.mode));
        out.append("\r\n");
        return out.size() < ChunkBytes || flush();
    });
    if (!read) {
        *problem = { ExportReason::NotRead };
        return false;
    }
    if (!written || !flush()) {
        *problem = { ExportReason::NotWritten, QString(), { device.errorString() } };
        return false;
    }
    return true;
}

} // namespace Zentovia
