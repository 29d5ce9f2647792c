#include "voice/espeakvoice.h"

#include "voice/pacedvoice.h"
#include "voice/pulseoutput.h"
#include "voice/silentoutput.h"

#include <future>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {
// How often the words and the mouth catch up with the sound.
constexpr int TickMs = 10;
} // namespace

EspeakVoice::EspeakVoice(std::unique_ptr<AudioOutput> output, Clock *clock,
    const EspeakSettings &settings, QObject *parent)
    : Voice(parent)
    , m_clock(clock ? *clock : Clock::system())
    , m_output(output ? std::move(output) : std::make_unique<PulseOutput>())
    , m_silent(std::make_unique<SilentOutput>(m_clock))
{
    m_thread.setObjectName(u"espeak"_s);
    m_worker = new QObject;
    m_worker->moveToThread(&m_thread);
    m_thread.start();

    // espeak loads on its own thread, which makes every later call too, once
    // told to (startLoading()) or when the first text is asked for. A
    // VoiceFailure while loading comes back through the future at that point.
    m_load = std::make_shared<std::packaged_task<std::unique_ptr<EspeakSynthesizer>()>>(
        [settings] { return std::make_unique<EspeakSynthesizer>(settings); });
    m_loading = m_load->get_future();

    connect(m_output.get(), &AudioOutput::drained, this, &EspeakVoice::onDrained);
    connect(m_output.get(), &AudioOutput::lost, this, &EspeakVoice::onLost);
    connect(m_silent.get(), &AudioOutput::drained, this, &EspeakVoice::onDrained);
}

EspeakVoice::~EspeakVoice()
{
    m_clock.cancel(m_tick);
    m_thread.quit();
    m_thread.wait();
    delete m_worker;
}

bool EspeakVoice::isSilent() const
{
    return m_paced || (m_playing && m_playing == m_silent.get());
}

void EspeakVoice::prepare(const QString &text)
{
    if (!m_ready.contains(text))
        request(text);
}

void EspeakVoice::say(const QString &text)
{
    stop();
    if (const UtterancePtr ready = m_ready.value(text).utterance) {
        markSaid(text);
        play(ready);
        return;
    }
    if (!loadedSynthesizer()) {
        m_paced->say(text);
        return;
    }
    m_waitingFor = text;
    request(text);
}

void EspeakVoice::stop()
{
    if (m_paced)
        m_paced->stop();
    m_waitingFor.reset();
    m_clock.cancel(m_tick);
    m_tick = 0;
    if (m_playing)
        m_playing->stop();
    const bool wasSpeaking = m_current != nullptr;
    m_playing = nullptr;
    m_current.reset();
    if (wasSpeaking)
        Q_EMIT mouthOpened(0);
}

void EspeakVoice::startLoading()
{
    if (!m_load)
        return;
    QMetaObject::invokeMethod(
        m_worker, [load = std::move(m_load)] { (*load)(); }, Qt::QueuedConnection);
}

EspeakSynthesizer *EspeakVoice::loadedSynthesizer()
{
    startLoading();
    if (!m_synthesizer && !m_paced) {
        try {
            m_synthesizer = m_loading.get();
        } catch (const VoiceFailure &failure) {
            speakWithoutSound(failure.problem);
        }
    }
    return m_synthesizer.get();
}

void EspeakVoice::speakWithoutSound(const VoiceProblem &reason)
{
    m_paced = std::make_unique<PacedVoice>(&m_clock);
    connect(m_paced.get(), &Voice::wordReached, this, &Voice::wordReached);
    connect(m_paced.get(), &Voice::mouthOpened, this, &Voice::mouthOpened);
    connect(m_paced.get(), &Voice::finished, this, &Voice::finished);
    reportTrouble(reason);
}

void EspeakVoice::request(const QString &text)
{
    if (m_requested.contains(text))
        return;
    EspeakSynthesizer *synthesizer = loadedSynthesizer();
    if (!synthesizer)
        return;
    m_requested.insert(text);
    QMetaObject::invokeMethod(
        m_worker,
        [this, synthesizer, text] {
            auto utterance = std::make_shared<const Utterance>(synthesizer->synthesize(text));
            QMetaObject::invokeMethod(
                this, [this, text, utterance] { onSynthesized(text, utterance); },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void EspeakVoice::onSynthesized(const QString &text, const UtterancePtr &utterance)
{
    m_requested.remove(text);
    if (utterance->problem)
        Q_EMIT problem(utterance->problem);
    remember(text, utterance);
    Q_EMIT prepared(text);
    if (m_waitingFor == text) {
        m_waitingFor.reset();
        markSaid(text);
        play(utterance);
    }
}

void EspeakVoice::remember(const QString &text, const UtterancePtr &utterance)
{
    m_readyOrder.removeOne(text);
    m_readyOrder.append(text);
    m_ready.insert(text, Kept { utterance, false });
    forgetBeyondLimits();
}

void EspeakVoice::markSaid(const QString &text)
{
    const auto kept = m_ready.find(text);
    if (kept == m_ready.end())
        return;
    kept->said = true;
    m_readyOrder.removeOne(text);
    m_readyOrder.append(text);
    forgetBeyondLimits();
}

void EspeakVoice::forgetBeyondLimits()
{
    while (m_readyOrder.size() > KeptUtterances)
        m_ready.remove(m_readyOrder.takeFirst());
    qint64 saidBytes = 0;
    QString lastSaid;
    for (const QString &text : std::as_const(m_readyOrder)) {
        if (const Kept &kept = *m_ready.constFind(text); kept.said) {
            saidBytes += kept.utterance->pcm.size();
            lastSaid = text;
        }
    }
    for (auto it = m_readyOrder.begin(); saidBytes > KeptBytes && it != m_readyOrder.end();) {
        const Kept &kept = *m_ready.constFind(*it);
        if (!kept.said || *it == lastSaid) {
            ++it;
            continue;
        }
        saidBytes -= kept.utterance->pcm.size();
        m_ready.remove(*it);
        it = m_readyOrder.erase(it);
    }
}

void EspeakVoice::play(const UtterancePtr &utterance)
{
    m_current = utterance;
    m_offsetUSecs = 0;
    m_positionUSecs = 0;
    m_nextWord = 0;
    m_mouthWindow = -1;
    m_heard = false;
    if (utterance->pcm.isEmpty()) {
        // Nothing to hear (only blanks, or espeak failed): show the text and go on.
        if (!utterance->text.isEmpty())
            Q_EMIT wordReached(0, int(utterance->text.size()));
        m_current.reset();
        QMetaObject::invokeMethod(this, &Voice::finished, Qt::QueuedConnection);
        return;
    }
    if (m_output->start(utterance->pcm, utterance->format())) {
        m_playing = m_output.get();
    } else {
        reportTrouble(m_output->problem());
        playSilently(0);
    }
    m_clock.cancel(m_tick);
    tick();
}

void EspeakVoice::playSilently(qint64 fromUSecs)
{
    const qint64 fromByte = m_current->sampleAt(fromUSecs) * qint64(sizeof(qint16));
    m_offsetUSecs = m_current->usecsAt(m_current->sampleAt(fromUSecs));
    m_silent->start(m_current->pcm.mid(fromByte), m_current->format());
    m_playing = m_silent.get();
}

void EspeakVoice::advance()
{
    if (!m_current || !m_playing)
        return;
    const qint64 played = m_playing->playedUSecs();
    // Sound is heard again: the next trouble is worth saying.
    if (played > 0 && m_playing == m_output.get())
        m_troubleReported = false;
    m_positionUSecs = std::max(m_positionUSecs, m_offsetUSecs + played);
    const QList<SpokenWord> &words = m_current->words;
    while (m_nextWord < words.size()
        && m_current->usecsAt(words.at(m_nextWord).sample) <= m_positionUSecs) {
        const SpokenWord &word = words.at(m_nextWord++);
        Q_EMIT wordReached(word.position, word.length);
    }
    const qint64 window = m_positionUSecs / Utterance::LoudnessWindowUSecs;
    if (window != m_mouthWindow) {
        m_mouthWindow = window;
        Q_EMIT mouthOpened(m_current->loudnessAt(m_positionUSecs));
    }
    if (!m_heard && m_positionUSecs >= m_current->soundEndUSecs()) {
        m_heard = true;
        Q_EMIT heard();
    }
}

void EspeakVoice::tick()
{
    m_tick = 0;
    advance();
    if (m_current && m_playing)
        m_tick = m_clock.callAfter(TickMs, this, [this] { tick(); });
}

void EspeakVoice::onDrained()
{
    if (sender() != m_playing || !m_current)
        return;
    m_positionUSecs = m_current->durationUSecs();
    advance();
    m_clock.cancel(m_tick);
    m_tick = 0;
    m_playing = nullptr;
    m_current.reset();
    Q_EMIT mouthOpened(0);
    Q_EMIT finished();
}

void EspeakVoice::onLost(const VoiceProblem &reason)
{
    if (m_playing != m_output.get() || !m_current)
        return;
    advance();
    reportTrouble(reason);
    playSilently(m_positionUSecs);
}

void EspeakVoice::reportTrouble(const VoiceProblem &reason)
{
    if (m_troubleReported)
        return;
    m_troubleReported = true;
    Q_EMIT problem(reason);
}

} // namespace Zentovia
