#include "voice/espeaksynthesizer.h"

#include "voice/espeakapi.h"

#include <QList>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <optional>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

// The library's state is global: one synthesis at a time in the process.
std::mutex &libraryLock()
{
    static std::mutex lock;
    return lock;
}

// What the library has been given so far, under libraryLock().
int g_sampleRate = 0;
std::optional<EspeakSettings> g_applied;

// Past the last sound we keep this much silence: enough for a pause between
// two things said one after the other, not so much that the wizard dawdles.
constexpr qint64 TrailingSilenceUSecs = 250000;
constexpr int SilentSample = 64;

// Where the running synthesis puts what the library hands back.
struct Collector
{
    QByteArray pcm;
    QList<espeak_EVENT> words;
};
Collector *g_collector = nullptr;

int collect(short *samples, int count, espeak_EVENT *events)
{
    if (!g_collector)
        return 0;
    for (espeak_EVENT *event = events; event && event->type != espeakEVENT_LIST_TERMINATED;
         ++event) {
        if (event->type == espeakEVENT_WORD)
            g_collector->words.append(*event);
    }
    if (samples && count > 0) {
        g_collector->pcm.append(
            reinterpret_cast<const char *>(samples), qsizetype(count) * qsizetype(sizeof(short)));
    }
    return 0; // go on
}

// QString index of each code point of text, and one past the last.
QList<int> codePointIndexes(const QString &text)
{
    QList<int> indexes;
    indexes.reserve(text.size() + 1);
    for (int i = 0; i < text.size(); ++i) {
        indexes.append(i);
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
    }
    indexes.append(text.size());
    return indexes;
}

bool onlyBlanks(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isSpace(); });
}

// espeak reports a word by its first character, counted from 1 in code
// points, and its length in code points. Words it adds on its own (the name
// of an emoji, read aloud) come back pointing at the blank after them; they
// are dropped, as are repeats, so that the words stay in the text's order.
QList<SpokenWord> mapWords(const QString &text, const QList<espeak_EVENT> &events)
{
    const QList<int> indexes = codePointIndexes(text);
    const int codePoints = int(indexes.size()) - 1;
    QList<SpokenWord> words;
    int lastPosition = -1;
    for (const espeak_EVENT &event : events) {
        const int first = event.text_position - 1;
        if (first < 0 || first >= codePoints)
            continue;
        const int last = std::clamp(first + std::max(1, event.length), first + 1, codePoints);
        const SpokenWord word { indexes.at(first), indexes.at(last) - indexes.at(first),
            qint64(event.sample) };
        if (word.position <= lastPosition
            || onlyBlanks(QStringView(text).mid(word.position, word.length)))
            continue;
        lastPosition = word.position;
        words.append(word);
    }
    return words;
}

void trimTrailingSilence(Utterance &utterance)
{
    const auto *samples = reinterpret_cast<const qint16 *>(utterance.pcm.constData());
    qint64 end = utterance.sampleCount();
    while (end > 0 && std::abs(samples[end - 1]) <= SilentSample)
        --end;
    if (end == 0) {
        utterance.pcm.clear();
        return;
    }
    utterance.soundEndSample = end;
    const qint64 keep
        = std::min(utterance.sampleCount(), end + utterance.sampleAt(TrailingSilenceUSecs));
    utterance.pcm.truncate(keep * qint64(sizeof(qint16)));
}

void applySettings(const EspeakApi &espeak, const EspeakSettings &settings)
{
    if (g_applied == settings)
        return;
    if (espeak.setVoiceByName(settings.voice.toUtf8().constData()) != EE_OK) {
        throw VoiceFailure(VoiceProblem(VoiceReason::NoEspeakVoice, settings.voice));
    }
    espeak.setParameter(espeakRATE, settings.wordsPerMinute, 0);
    espeak.setParameter(espeakPITCH, settings.pitch, 0);
    espeak.setParameter(espeakRANGE, settings.pitchRange, 0);
    g_applied = settings;
}

} // namespace

EspeakSynthesizer::EspeakSynthesizer(const EspeakSettings &settings)
    : m_settings(settings)
{
    std::lock_guard guard(libraryLock());
    QString missing;
    m_espeak = EspeakApi::get(&missing);
    if (!m_espeak) {
        throw VoiceFailure(VoiceProblem(VoiceReason::NoEspeakLibrary, QString(), { missing }));
    }
    if (g_sampleRate <= 0) {
        // Don't let the library end the program when its data are missing.
        const int rate = m_espeak->initialize(
            AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
        if (rate <= 0) {
            throw VoiceFailure(VoiceProblem(VoiceReason::NoEspeakData));
        }
        m_espeak->setSynthCallback(collect);
        g_sampleRate = rate;
    }
    m_sampleRate = g_sampleRate;
    applySettings(*m_espeak, m_settings);
}

Utterance EspeakSynthesizer::synthesize(const QString &text) const
{
    Utterance utterance;
    utterance.text = text;
    utterance.sampleRate = m_sampleRate;
    if (onlyBlanks(text))
        return utterance;

    const QByteArray utf8 = text.toUtf8();
    Collector collector;
    {
        std::lock_guard guard(libraryLock());
        applySettings(*m_espeak, m_settings);
        g_collector = &collector;
        const espeak_ERROR result = m_espeak->synth(utf8.constData(), size_t(utf8.size()) + 1, 0,
            POS_CHARACTER, 0, espeakCHARS_UTF8 | espeakENDPAUSE, nullptr, nullptr);
        g_collector = nullptr;
        if (result != EE_OK) {
            utterance.problem = { VoiceReason::NotSaid, text, {}, int(result) };
            return utterance;
        }
    }
    utterance.pcm = std::move(collector.pcm);
    trimTrailingSilence(utterance);
    // The sound grew in steps while it was made: give back what it did not use.
    utterance.pcm.squeeze();
    if (utterance.pcm.isEmpty())
        return utterance;
    utterance.words = mapWords(text, collector.words);
    utterance.measureLoudness();
    return utterance;
}

} // namespace Zentovia
