#pragma once

#include "core/clock.h"
#include "voice/audiooutput.h"
#include "voice/espeaksynthesizer.h"
#include "voice/utterance.h"
#include "voice/voice.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <QThread>

#include <future>
#include <memory>
#include <optional>

namespace Zentovia {

class PacedVoice;
class SilentOutput;

// The wizard's Italian voice: espeak-ng makes the sound on a thread of its
// own, ahead of time for the texts it is told about with prepare(), and an
// AudioOutput plays it. Words and mouth follow what has been played. Without
// a sound server, or when it goes away, the voice goes on in silence with the
// same timing, says so once (problem(); again only after sound was heard in
// between), and tries the server again at the next say(). The pace of the
// words, the mouth and the silence is the given clock's. When espeak-ng or
// its Italian voice cannot be loaded (a machine without libespeak-ng1), the
// voice says why once and goes on as a PacedVoice: the wizard's
// words come in his balloon alone.
class EspeakVoice : public Voice
{
    Q_OBJECT
public:
    // Plays through the sound server unless given another output, and keeps
    // time with Clock::system() unless given another clock.
    explicit EspeakVoice(std::unique_ptr<AudioOutput> output = nullptr, Clock *clock = nullptr,
        const EspeakSettings &settings = {}, QObject *parent = nullptr);
    ~EspeakVoice() override;

    // Begins loading espeak-ng and its Italian voice on the voice's thread;
    // the first prepare() or say() does it if nothing has. The program calls
    // it once its first box is up, so that the box does not share the
    // machine with the loading.
    void startLoading();

    void prepare(const QString &text) override;
    void say(const QString &text) override;
    void stop() override;

    // Sounds are kept for saying again, within limits: one prepared and not
    // yet said stays until it is said; of those already said, the last one
    // stays, and the others while they fit in KeptBytes, the least recently
    // said going first. Never more than KeptUtterances in all. The questions'
    // words and the praises fit; the instructions, said once, do not.
    static constexpr int KeptUtterances = 48;
    static constexpr qint64 KeptBytes = 512 * 1024;

    // Whether the sound of a text is ready to be played at once.
    bool isPrepared(const QString &text) const { return m_ready.contains(text); }
    // The sound that say(text) would play now, or null when it is not ready.
    std::shared_ptr<const Utterance> preparedUtterance(const QString &text) const
    {
        return m_ready.value(text).utterance;
    }
    // Whether the current utterance is being played in silence (always, with
    // no espeak-ng).
    bool isSilent() const;

Q_SIGNALS:
    // The sound of a text has been made (after prepare() or say()).
    void prepared(const QString &text);
    // The voice goes on without sound (once, and again only after sound was
    // heard in between), or a text could not be said (NotSaid).
    void problem(const VoiceProblem &why);

private:
    using UtterancePtr = std::shared_ptr<const Utterance>;

    // The synthesizer, once loaded (waits for it the first time); null when
    // it could not be, and the paced voice speaks instead.
    EspeakSynthesizer *loadedSynthesizer();
    void speakWithoutSound(const VoiceProblem &reason);
    void request(const QString &text);
    void onSynthesized(const QString &text, const UtterancePtr &utterance);
    void play(const UtterancePtr &utterance);
    void playSilently(qint64 fromUSecs);
    void advance();
    void tick();
    void onDrained();
    void onLost(const VoiceProblem &reason);
    void reportTrouble(const VoiceProblem &reason);
    void remember(const QString &text, const UtterancePtr &utterance);
    void markSaid(const QString &text);
    void forgetBeyondLimits();

    Clock &m_clock;
    QThread m_thread;
    QObject *m_worker = nullptr; // lives in m_thread
    std::shared_ptr<std::packaged_task<std::unique_ptr<EspeakSynthesizer>()>> m_load; // not begun
    std::future<std::unique_ptr<EspeakSynthesizer>> m_loading;
    std::unique_ptr<EspeakSynthesizer> m_synthesizer; // used only in m_thread
    std::unique_ptr<AudioOutput> m_output;
    std::unique_ptr<SilentOutput> m_silent;
    AudioOutput *m_playing = nullptr; // m_output or m_silent, while speaking
    std::unique_ptr<PacedVoice> m_paced; // once espeak-ng could not be loaded

    struct Kept
    {
        UtterancePtr utterance;
        bool said = false;
    };
    QHash<QString, Kept> m_ready;
    QStringList m_readyOrder; // least recently made or said first
    QSet<QString> m_requested;
    std::optional<QString> m_waitingFor;

    UtterancePtr m_current;
    qint64 m_offsetUSecs = 0; // where the playing output started in m_current
    qint64 m_positionUSecs = 0;
    int m_nextWord = 0;
    qint64 m_mouthWindow = -1;
    bool m_heard = false; // the current utterance's last sound
    Clock::Ticket m_tick = 0; // the next catching up, while speaking
    bool m_troubleReported = false;
};

} // namespace Zentovia
