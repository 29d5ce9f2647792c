#pragma once

#include "voice/voice.h"

#include <QList>

namespace Zentovia {

class Clock;

// When each word of a text comes and how long the whole text lasts, at the
// pace a six-year-old reads a balloon. The silent voice follows it; a voice
// that cannot play sound may follow it too.
struct SpeechTiming
{
    struct Word
    {
        int position = 0; // QString index of the word's first character
        int length = 0; // characters of the word, punctuation included
        int startMs = 0; // from the start of the utterance
        int durationMs = 0;
        int syllables = 1; // mouth openings while the word is said
    };
    QList<Word> words;
    int totalMs = 0; // when the utterance is over (finished)

    // How open the mouth is at ms into the utterance, 0..1.
    qreal mouthAt(int ms) const;
    // The index of the word being said at ms, or -1 (before the first one).
    int wordAt(int ms) const;
};

// A voice without sound: it reveals the words one after another at a child's
// reading pace, moves the mouth syllable by syllable and ends after the time
// that timing() computes.
class PacedVoice : public Voice
{
    Q_OBJECT
public:
    // Without a clock it uses Clock::system().
    explicit PacedVoice(Clock *clock = nullptr, QObject *parent = nullptr);
    ~PacedVoice() override;

    // Per word: a base time plus a time per letter (a digit counts as a
    // short word), a pause after punctuation; at least minimumMs overall and
    // a short hold at the end to finish reading.
    static SpeechTiming timing(const QString &text);

    static constexpr int kWordBaseMs = 200;
    static constexpr int kPerLetterMs = 50;
    static constexpr int kPerDigitMs = 200;
    static constexpr int kCommaPauseMs = 250;
    static constexpr int kStopPauseMs = 450;
    static constexpr int kEndHoldMs = 500;
    static constexpr int kMinimumMs = 900;
    // The mouth is updated this often while speaking (12.5 times a second).
    static constexpr int kMouthStepMs = 80;

    void prepare(const QString &text) override;
    void say(const QString &text) override;
    void stop() override;

    bool isSpeaking() const { return m_speaking; }

private:
    void tick();

    Clock &m_clock;
    bool m_speaking = false;
    SpeechTiming m_timing;
    qint64 m_startedAt = 0;
    int m_nextWord = 0;
    qreal m_lastMouth = 0;
    quint64 m_ticket = 0;
};

} // namespace Zentovia
