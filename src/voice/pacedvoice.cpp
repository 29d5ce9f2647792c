#include "voice/pacedvoice.h"

#include "voice/wordspan.h"

#include "core/clock.h"

#include <QtMath>

namespace Zentovia {

namespace {

bool isVowel(QChar c)
{
    static const QString vowels = QStringLiteral("aeiouyàèéìíòóùúAEIOUYÀÈÉÌÍÒÓÙÚ");
    return vowels.contains(c);
}

} // namespace

qreal SpeechTiming::mouthAt(int ms) const
{
    const int i = wordAt(ms);
    if (i < 0)
        return 0;
    const Word &w = words.at(i);
    // The word sounds for the first 85% of its time, one opening a syllable.
    const qreal sounding = 0.85 * w.durationMs;
    const qreal t = ms - w.startMs;
    if (t < 0 || t >= sounding)
        return 0;
    const qreal phase = t / sounding * w.syllables;
    return qBound(0.0, qSin(M_PI * (phase - qFloor(phase))) * 1.05, 1.0);
}

int SpeechTiming::wordAt(int ms) const
{
    int found = -1;
    for (int i = 0; i < words.size(); ++i) {
        if (words.at(i).startMs <= ms)
            found = i;
        else
            break;
    }
    return found;
}

PacedVoice::PacedVoice(Clock *clock, QObject *parent)
    : Voice(parent)
    , m_clock(clock ? *clock : Clock::system())
{ }

PacedVoice::~PacedVoice()
{
    m_clock.cancel(m_ticket);
}

SpeechTiming PacedVoice::timing(const QString &text)
{
    SpeechTiming timing;
    int at = 0;
    for (const WordSpan &span : wordSpans(text)) {
        const int start = span.start;
        const int i = span.end;
        SpeechTiming::Word word;
        word.position = start;
        word.length = i - start;
        int ms = kWordBaseMs;
        int syllables = 0;
        bool inVowel = false;
        for (int k = start; k < i; ++k) {
            const QChar c = text.at(k);
            if (c.isDigit()) {
                ms += kPerDigitMs;
                syllables += 2;
                inVowel = false;
            } else if (c.isLetter()) {
                ms += kPerLetterMs;
                const bool vowel = isVowel(c);
                if (vowel && !inVowel)
                    ++syllables;
                inVowel = vowel;
            } else {
                inVowel = false;
            }
        }
        const QChar last = text.at(i - 1);
        if (last == u',' || last == u';' || last == u':')
            ms += kCommaPauseMs;
        else if (last == u'.' || last == u'!' || last == u'?')
            ms += kStopPauseMs;
        word.syllables = qMax(1, syllables);
        word.startMs = at;
        word.durationMs = ms;
        at += ms;
        timing.words.append(word);
    }
    timing.totalMs = qMax(at + kEndHoldMs, timing.words.isEmpty() ? kEndHoldMs : kMinimumMs);
    return timing;
}

void PacedVoice::prepare(const QString &)
{ }

void PacedVoice::say(const QString &text)
{
    stop();
    m_timing = timing(text);
    m_speaking = true;
    m_startedAt = m_clock.now();
    m_nextWord = 0;
    m_lastMouth = 0;
    m_ticket = m_clock.callAfter(0, this, [this] { tick(); });
}

void PacedVoice::stop()
{
    m_clock.cancel(m_ticket);
    m_ticket = 0;
    if (m_speaking && m_lastMouth > 0)
        Q_EMIT mouthOpened(0);
    m_speaking = false;
}

void PacedVoice::tick()
{
    m_ticket = 0;
    if (!m_speaking)
        return;
    const int elapsed = int(m_clock.now() - m_startedAt);
    while (m_nextWord < m_timing.words.size() && m_timing.words.at(m_nextWord).startMs <= elapsed) {
        const auto &w = m_timing.words.at(m_nextWord++);
        Q_EMIT wordReached(w.position, w.length);
    }
    if (elapsed >= m_timing.totalMs) {
        m_speaking = false;
        if (m_lastMouth > 0)
            Q_EMIT mouthOpened(0);
        m_lastMouth = 0;
        Q_EMIT finished();
        return;
    }
    const qreal mouth = m_timing.mouthAt(elapsed);
    if (qAbs(mouth - m_lastMouth) > 0.05 || (mouth == 0 && m_lastMouth != 0)) {
        m_lastMouth = mouth;
        Q_EMIT mouthOpened(mouth);
    }
    int next = elapsed + kMouthStepMs;
    if (m_nextWord < m_timing.words.size())
        next = qMin(next, m_timing.words.at(m_nextWord).startMs);
    next = qMin(next, m_timing.totalMs);
    // While only the end hold is left, nothing moves: wait for it at once.
    if (m_nextWord >= m_timing.words.size() && mouth == 0 && m_lastMouth == 0) {
        const auto &lastWord
            = m_timing.words.isEmpty() ? SpeechTiming::Word {} : m_timing.words.last();
        if (elapsed >= lastWord.startMs + lastWord.durationMs * 85 / 100)
            next = m_timing.totalMs;
    }
    m_ticket = m_clock.callAfter(qMax(1, next - elapsed), this, [this] { tick(); });
}

} // namespace Zentovia
