#include "voice/pulseoutput.h"

#include "voice/pulseapi.h"
#include "voice/pulsestream.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {
// How often the sound thread looks at what has been heard while it waits
// for room in the server's buffer.
constexpr auto PollTime = std::chrono::milliseconds(5);
// Between sounds the stream stays open this long, so that the next one starts
// sooner; then the server may let the sound card rest.
constexpr auto LingerTime = std::chrono::seconds(5);
// How long the output waits for its thread, once in a call to the server,
// before it leaves it there.
constexpr auto QuitWait = std::chrono::seconds(1);
// Sound that makes no progress for this long means a server that hangs.
constexpr int StallMs = 2500;
constexpr int WatchMs = 250;
} // namespace

// What the output and its sound thread tell each other, under mutex.
struct PulseOutput::Shared
{
    std::mutex mutex;
    std::condition_variable wake;
    // From the output: the sound to play now (none when pcm is empty).
    quint64 session = 0;
    QByteArray pcm;
    PcmFormat format;
    bool quit = false;
    PulseOutput *owner = nullptr; // null once the output has gone
    // From the thread.
    quint64 playedSession = 0;
    qint64 played = 0;
    quint64 busyWith = 0; // the session being played, 0 between sounds
    // In the server's calls, where a server that hangs can keep it; outside
    // them the thread always comes back soon (loading the library, say).
    bool inServer = false;
    bool ended = false;
    // The output went while the thread was in a server's call: once back,
    // it ends at once and calls nothing more (see run()).
    bool abandoned = false;
};

PulseOutput::PulseOutput(QObject *parent)
    : AudioOutput(parent)
    , m_shared(std::make_shared<Shared>())
{
    m_shared->owner = this;
    m_thread = std::thread([shared = m_shared] { run(shared); });
    m_watchdog.setInterval(WatchMs);
    connect(&m_watchdog, &QTimer::timeout, this, &PulseOutput::checkProgress);
}

PulseOutput::~PulseOutput()
{
    std::unique_lock lock(m_shared->mutex);
    m_shared->quit = true;
    m_shared->owner = nullptr;
    m_shared->wake.notify_all();
    // The thread is waited for, except while a server that does not answer
    // keeps it in a call: then it is left in that call, and when the call
    // returns (perhaps while the program ends) it touches nothing but what
    // it shares with this output, and ends. Never is it left inside the
    // program's or Qt's own code, such as the loading of a library, whose
    // locks the end of the program takes down.
    while (!m_shared->wake.wait_for(lock, QuitWait, [this] { return m_shared->ended; })) {
        if (m_shared->inServer) {
            m_shared->abandoned = true;
            lock.unlock();
            m_thread.detach();
            return;
        }
    }
    lock.unlock();
    m_thread.join();
}

bool PulseOutput::start(const QByteArray &pcm, const PcmFormat &format)
{
    stop();
    m_played = 0;
    m_error = {};
    {
        std::lock_guard lock(m_shared->mutex);
        if (m_hungSession != 0 && m_shared->busyWith == m_hungSession) {
            m_error = { VoiceReason::SoundNotAnswering };
            return false;
        }
    }
    m_hungSession = 0;
    m_progressMark = 0;
    m_sinceProgress.start();
    post(pcm, format);
    m_playing = true;
    m_watchdog.start();
    return true;
}

qint64 PulseOutput::playedUSecs() const
{
    std::lock_guard lock(m_shared->mutex);
    if (m_shared->playedSession == m_session)
        m_played = m_shared->played;
    return m_played;
}

void PulseOutput::stop()
{
    m_watchdog.stop();
    if (!m_playing)
        return;
    m_playing = false;
    post({}, {});
}

void PulseOutput::post(const QByteArray &pcm, const PcmFormat &format)
{
    std::lock_guard lock(m_shared->mutex);
    m_session = ++m_shared->session;
    m_shared->pcm = pcm;
    m_shared->format = format;
    m_shared->wake.notify_all();
}

void PulseOutput::onEnded(quint64 session, const VoiceProblem &lostReason)
{
    if (session != m_session || !m_playing)
        return;
    m_playing = false;
    m_watchdog.stop();
    if (!lostReason) {
        Q_EMIT drained();
        return;
    }
    m_error = lostReason;
    Q_EMIT lost(lostReason);
}

void PulseOutput::checkProgress()
{
    const qint64 played = playedUSecs();
    if (played != m_progressMark) {
        m_progressMark = played;
        m_sinceProgress.start();
        return;
    }
    if (m_sinceProgress.elapsed() < StallMs)
        return;
    // The thread stays in a call to the server until it answers again; till
    // then every start() fails at once.
    m_hungSession = m_session;
    stop();
    m_error = { VoiceReason::SoundStalled };
    Q_EMIT lost(m_error);
}

void PulseOutput::run(const std::shared_ptr<Shared> &shared)
{
    pthread_setname_np(pthread_self(), "sound");
    PulseStream stream;
    std::unique_lock lock(shared->mutex);
    // Marks the calls to the server; false once the output has gone while
    // the thread was in one, and the thread must end at once.
    const auto inServer = [&](bool in) {
        shared->inServer = in;
        return !shared->abandoned;
    };
    const auto leave = [&] {
        stream.abandon();
        shared->ended = true;
    };
    quint64 handled = 0;
    const auto asked = [&] { return shared->quit || shared->session != handled; };
    while (!shared->quit) {
        if (!asked()) {
            if (!stream.isOpen()) {
                shared->wake.wait(lock, asked);
            } else if (!shared->wake.wait_for(lock, LingerTime, asked)) {
                inServer(true);
                lock.unlock();
                stream.close();
                lock.lock();
                if (!inServer(false))
                    return leave();
            }
            continue;
        }
        handled = shared->session;
        const QByteArray pcm = shared->pcm;
        const PcmFormat format = shared->format;
        if (pcm.isEmpty())
            continue;
        shared->busyWith = handled;
        lock.unlock();
        // The library is loaded outside the server's calls: the output waits
        // for it when it goes.
        PulseApi::get(nullptr);
        lock.lock();
        inServer(true);
        lock.unlock();
        const Ending ending = play(stream, *shared, handled, pcm, format);
        lock.lock();
        if (!inServer(false))
            return leave();
        shared->busyWith = 0;
        if (ending != Ending::Superseded)
            report(*shared, handled, ending == Ending::Lost ? stream.error() : VoiceProblem());
    }
    inServer(true);
    lock.unlock();
    stream.close();
    lock.lock();
    if (!inServer(false))
        return leave();
    shared->ended = true;
    shared->wake.notify_all();
}

// Writes the sound a little ahead of what is heard and waits until all of
// it has been played, unless another sound is asked for meanwhile.
PulseOutput::Ending PulseOutput::play(PulseStream &stream, Shared &shared, quint64 session,
    const QByteArray &pcm, const PcmFormat &format)
{
    if (stream.isOpen() && stream.format() != format)
        stream.close();
    if (!stream.isOpen() && !stream.open(format))
        return Ending::Lost;
    const auto superseded = [&] { return shared.quit || shared.session != session; };
    // Says how much has been heard; false once another sound is asked for.
    const auto publish = [&](qint64 played) {
        std::lock_guard lock(shared.mutex);
        if (superseded())
            return false;
        if (shared.playedSession != session)
            shared.played = 0;
        shared.playedSession = session;
        shared.played = std::max(shared.played, played);
        return true;
    };
    const qint64 chunk = format.bytesFor(PulseStream::ChunkUSecs);
    qint64 written = 0;
    while (written < pcm.size()) {
        const std::optional<qint64> latency = stream.latencyUSecs();
        if (!latency)
            return Ending::Lost;
        const qint64 writtenUSecs = format.usecsFor(written);
        const qint64 ahead = std::min(*latency, writtenUSecs);
        if (!publish(writtenUSecs - ahead)) {
            stream.flush(); // when it fails, the next sound connects anew
            return Ending::Superseded;
        }
        if (ahead + PulseStream::ChunkUSecs <= PulseStream::BufferUSecs) {
            const qint64 size = std::min(chunk, pcm.size() - written);
            if (!stream.write(pcm.constData() + written, size))
                return Ending::Lost;
            written += size;
        } else {
            std::unique_lock lock(shared.mutex);
            shared.wake.wait_for(lock, PollTime, superseded);
        }
    }
    if (!stream.drain())
        return Ending::Lost;
    return publish(format.usecsFor(pcm.size())) ? Ending::Drained : Ending::Superseded;
}

// Under the mutex: tells the output, on its own thread, how the sound ended.
void PulseOutput::report(Shared &shared, quint64 session, const VoiceProblem &lostReason)
{
    PulseOutput *owner = shared.owner;
    if (!owner || shared.session != session)
        return;
    QMetaObject::invokeMethod(
        owner, [owner, session, lostReason] { owner->onEnded(session, lostReason); },
        Qt::QueuedConnection);
}

} // namespace Zentovia
