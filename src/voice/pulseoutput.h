#pragma once

#include "voice/audiooutput.h"

#include <QElapsedTimer>
#include <QTimer>

#include <memory>
#include <thread>

namespace Zentovia {

class PulseStream;

// The sound server, through PulseAudio's simple API. Every call that waits
// for the server runs on a thread of the output's own, never on the caller's:
// start() and stop() only leave word for that thread and return at once.
// There, samples are written a little ahead of what is heard; what has been
// heard is the samples written less the server's latency. When the server
// cannot be reached, goes away or stops playing, lost() says why, and the
// next start() connects anew.
class PulseOutput : public AudioOutput
{
    Q_OBJECT
public:
    explicit PulseOutput(QObject *parent = nullptr);
    ~PulseOutput() override;

    bool start(const QByteArray &pcm, const PcmFormat &format) override;
    qint64 playedUSecs() const override;
    void stop() override;
    VoiceProblem problem() const override { return m_error; }

private:
    struct Shared;
    enum class Ending { Drained, Superseded, Lost };

    // The sound thread.
    static void run(const std::shared_ptr<Shared> &shared);
    static Ending play(PulseStream &stream, Shared &shared, quint64 session, const QByteArray &pcm,
        const PcmFormat &format);
    static void report(Shared &shared, quint64 session, const VoiceProblem &lostReason);

    void post(const QByteArray &pcm, const PcmFormat &format);
    void onEnded(quint64 session, const VoiceProblem &lostReason);
    void checkProgress();

    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
    quint64 m_session = 0; // the sound asked for last
    quint64 m_hungSession = 0; // a sound the server stopped playing
    mutable qint64 m_played = 0;
    qint64 m_progressMark = -1;
    QElapsedTimer m_sinceProgress;
    bool m_playing = false;
    QTimer m_watchdog;
    VoiceProblem m_error;
};

} // namespace Zentovia
