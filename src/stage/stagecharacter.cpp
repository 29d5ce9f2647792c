#include "stage/stagecharacter.h"

#include "core/clock.h"
#include "core/failure.h"
#include "stage/balloon.h"
#include "stage/figurelayer.h"
#include "stage/stage.h"
#include "voice/pacedvoice.h"
#include "voice/voice.h"

#include <QtMath>

#include <utility>

namespace Zentovia {

// ---- The character -----------------------------------------------------------

StageCharacter::StageCharacter(const QString &id, std::shared_ptr<const CharacterFile> file,
    Voice &voice, Clock &clock, Stage &stage, QObject *parent)
    : Character(parent)
    , m_id(id)
    , m_file(std::move(file))
    , m_voice(voice)
    , m_clock(clock)
    , m_stage(stage)
    , m_frames(m_file)
{
    m_pose = m_file->restPose();
    m_layer = new FigureLayer(*this, *stage.window());
    m_balloon = new Balloon(stage);
    m_layer->resize(figureSize());
    stage.addLayer(m_layer);
    stage.addLayer(m_layer->hitArea());
    stage.addLayer(m_balloon);

    connect(m_layer, &FigureLayer::clicked, this, &Character::clicked);
    connect(m_layer, &QObject::destroyed, this, &StageCharacter::leaveStage);
    connect(&stage, &Stage::shown, this, [this] {
        if (!isBusy() && m_queue.empty())
            scheduleIdle();
    });
    connect(&m_voice, &Voice::wordReached, this, &StageCharacter::onWord);
    connect(&m_voice, &Voice::mouthOpened, this, &StageCharacter::onMouth);
    connect(&m_voice, &Voice::finished, this, &StageCharacter::onVoiceFinished);
    connect(&m_voice, &Voice::heard, this, [this] {
        if (m_speaking && m_current.kind == Kind::Speak)
            Q_EMIT heard(m_current.id);
    });
}

StageCharacter::~StageCharacter()
{
    cancelTimers();
    m_clock.cancel(m_balloonTimer);
    if (m_speaking)
        m_voice.stop();
    delete m_balloon.data();
    delete m_layer.data();
}

void StageCharacter::leaveStage()
{
    // The window is gone, and the character with it: nothing more runs.
    cancelTimers();
    m_clock.cancel(m_balloonTimer);
    m_clock.cancel(m_watchdog);
    if (m_speaking)
        m_voice.stop();
    m_speaking = false;
    m_queue.clear();
    m_current = Item {};
}

FigureLayer *StageCharacter::layer() const
{
    return m_layer;
}

Balloon *StageCharacter::balloon() const
{
    return m_balloon;
}

QSize StageCharacter::figureSize() const
{
    return QSize(qMax(1, qRound(m_height * m_file->aspect())), m_height);
}

bool StageCharacter::isInView() const
{
    return m_layer && m_layer->isVisible() && m_stage.isShown();
}

// ---- Requests ----------------------------------------------------------------

Request StageCharacter::Show()
{
    Item item;
    item.kind = Kind::Show;
    return enqueue(std::move(item));
}

Request StageCharacter::MoveTo(int x, int y)
{
    Item item;
    item.kind = Kind::MoveTo;
    item.to = QPoint(x, y);
    return enqueue(std::move(item));
}

Request StageCharacter::Play(const QString &name)
{
    const CharacterFile::Animation *animation = m_file->animation(name);
    if (!animation)
        throw Failure(QStringLiteral("Il personaggio \"%1\" non conosce l'animazione \"%2\" "
                                     "(conosce: %3).")
                          .arg(m_id, name, m_file->animationNames().join(QStringLiteral(", "))));
    Item item;
    item.kind = Kind::Play;
    item.animation = animation;
    return enqueue(std::move(item));
}

Request StageCharacter::Speak(const QString &text)
{
    Item item;
    item.kind = Kind::Speak;
    item.text = text;
    m_voice.prepare(text);
    return enqueue(std::move(item));
}

void StageCharacter::setHeight(int pixels)
{
    m_height = qBound(16, pixels, 4000);
    if (!m_layer || m_layer->size() == figureSize())
        return;
    m_layer->resize(figureSize());
    m_layer->update();
    placeBalloon();
}

Request StageCharacter::enqueue(Item item)
{
    item.id = m_nextId++;
    const Request request { item.id };
    m_queue.push_back(std::move(item));
    schedulePump();
    return request;
}

void StageCharacter::schedulePump()
{
    if (m_pumpScheduled || isBusy())
        return;
    m_pumpScheduled = true;
    m_clock.callAfter(0, this, [this] {
        m_pumpScheduled = false;
        pump();
    });
}

void StageCharacter::pump()
{
    if (isBusy() || !m_layer)
        return;
    if (m_queue.empty()) {
        scheduleIdle();
        return;
    }
    // A request interrupts idle life at once.
    if (m_idleAnimation || m_timer) {
        cancelTimers();
        m_idleAnimation = nullptr;
        showPose(m_file->restPose(), -1);
    }
    m_current = std::move(m_queue.front());
    m_queue.pop_front();
    start(m_current);
}

void StageCharacter::start(const Item &item)
{
    switch (item.kind) {
    case Kind::Show:
        startShow();
        break;
    case Kind::MoveTo: {
        const QPoint from = m_layer->pos();
        m_placed = true;
        if (from == item.to) {
            finish();
        } else if (!isInView()) {
            m_layer->move(item.to);
            placeBalloon();
            finish();
        } else {
            m_glideFrom = from;
            m_glideTo = item.to;
            const qreal distance = std::hypot(item.to.x() - from.x(), item.to.y() - from.y());
            m_glideMs
                = qBound(kGlideFrameMs * 3, qRound(distance * 1000 / kGlideSpeed), kMaxGlideMs);
            // The first step is one frame on: he is seen moving at once.
            m_glideStart = m_clock.now() - kGlideFrameMs;
            glideStep();
        }
        break;
    }
    case Kind::Play:
        playFrames(item.animation, 0, false);
        break;
    case Kind::Speak:
        startSpeak(item.text);
        break;
    case Kind::None:
        finish();
        break;
    }
}

void StageCharacter::finish()
{
    const quint64 id = m_current.id;
    m_current = Item {};
    m_timer = 0;
    Q_EMIT requestDone(id);
    schedulePump();
}

void StageCharacter::Stop()
{
    const std::deque<Item> dropped = std::exchange(m_queue, {});
    // A speech under way ends now; a move or an animation ends as it would.
    if (m_current.kind == Kind::Speak) {
        if (m_speaking) {
            m_speaking = false;
            m_voice.stop();
        }
        m_clock.cancel(m_watchdog);
        m_watchdog = 0;
        if (m_balloon)
            m_balloon->hide();
        cancelTimers();
        finish();
    }
    for (const Item &item : dropped)
        Q_EMIT requestDone(item.id);
}

void StageCharacter::cancelTimers()
{
    m_clock.cancel(m_timer);
    m_timer = 0;
}

void StageCharacter::startShow()
{
    // Above every control, also one raised since.
    m_stage.raiseLayers();
    const QRect area = m_stage.area();
    if (m_layer->isVisibleTo(m_stage.window()) && area.intersects(m_layer->geometry())) {
        finish();
        return;
    }
    // Until told otherwise it appears at the right of the window, so its
    // first MoveTo is a short flight; from outside the window it comes back
    // to the middle.
    const QSize size = m_layer->size();
    const int top = area.top() + qMax(0, (area.height() - size.height()) / 2);
    if (!m_placed)
        m_layer->move(qMax(area.left(), area.right() + 1 - size.width() - 60), top);
    else if (!area.intersects(m_layer->geometry()))
        m_layer->move(area.left() + qMax(0, (area.width() - size.width()) / 2), top);
    m_placed = true;
    const CharacterFile::Animation *appear = m_file->animation(QStringLiteral("Show"));
    showPose(appear->frames.first().pose, appear->frames.first().mouth);
    m_layer->show();
    playFrames(appear, 0, false);
}

void StageCharacter::glideStep()
{
    const qreal t = qBound(0.0, qreal(m_clock.now() - m_glideStart) / m_glideMs, 1.0);
    // Smooth start and stop.
    const qreal e = t * t * (3 - 2 * t);
    const QPoint at(qRound(m_glideFrom.x() + (m_glideTo.x() - m_glideFrom.x()) * e),
        qRound(m_glideFrom.y() + (m_glideTo.y() - m_glideFrom.y()) * e));
    m_layer->move(t >= 1 ? m_glideTo : at);
    if (t >= 1) {
        placeBalloon();
        finish();
        return;
    }
    m_timer = m_clock.callAfter(kGlideFrameMs, this, [this] { glideStep(); });
}

void StageCharacter::playFrames(const CharacterFile::Animation *animation, int index, bool idle)
{
    if (index >= animation->frames.size()) {
        m_timer = 0;
        showPose(m_file->restPose(), -1);
        if (idle) {
            m_idleAnimation = nullptr;
            scheduleIdle();
        } else {
            finish();
        }
        return;
    }
    const CharacterFile::Frame &frame = animation->frames.at(index);
    showPose(frame.pose, frame.mouth);
    m_timer = m_clock.callAfter(
        frame.ms, this, [this, animation, index, idle] { playFrames(animation, index + 1, idle); });
}

// ---- Speaking ----------------------------------------------------------------

void StageCharacter::startSpeak(const QString &text)
{
    m_clock.cancel(m_balloonTimer);
    m_balloonTimer = 0;
    m_speaking = true;
    m_speakMouth = 0;
    if (m_layer->isVisibleTo(m_stage.window()))
        m_balloon->open(text, m_layer->geometry(), mouthAt());
    // However the voice behaves, the queue goes on in the end.
    const int longest = PacedVoice::timing(text).totalMs * 3 + 5000;
    m_watchdog = m_clock.callAfter(longest, this, [this] {
        m_watchdog = 0;
        if (m_speaking) {
            m_voice.stop();
            onVoiceFinished();
        }
    });
    m_voice.say(text);
}

void StageCharacter::onWord(int position, int length)
{
    if (m_speaking && m_balloon)
        m_balloon->revealUpTo(position + length);
}

void StageCharacter::onMouth(qreal openness)
{
    if (!m_speaking)
        return;
    const int levels = m_file->mouthLevels();
    const int level = qBound(0, qRound(openness * (levels - 1)), levels - 1);
    if (level == m_speakMouth)
        return;
    m_speakMouth = level;
    if (m_frameMouth < 0)
        showPose(m_pose, -1);
}

void StageCharacter::onVoiceFinished()
{
    if (!m_speaking)
        return;
    m_speaking = false;
    m_clock.cancel(m_watchdog);
    m_watchdog = 0;
    if (!m_balloon)
        return;
    m_balloon->revealAll();
    m_speakMouth = 0;
    showPose(m_pose, m_frameMouth);
    m_balloonTimer = m_clock.callAfter(kBalloonCloseMs, this, [this] {
        m_balloonTimer = 0;
        m_balloon->hide();
    });
    m_timer = m_clock.callAfter(kSpeechHoldMs, this, [this] { finish(); });
}

QPoint StageCharacter::mouthAt() const
{
    const QPointF mouth = m_file->mouthPoint();
    const qreal scale = m_height / m_file->size().height();
    return m_layer->pos() + QPoint(qRound(mouth.x() * scale), qRound(mouth.y() * scale));
}

void StageCharacter::placeBalloon()
{
    if (m_balloon && m_balloon->isVisibleTo(m_stage.window()))
        m_balloon->place(m_layer->geometry(), mouthAt());
}

// ---- Idle life ---------------------------------------------------------------

void StageCharacter::scheduleIdle()
{
    if (isBusy() || !m_queue.empty() || m_timer || !isInView())
        return;
    const int pause = m_clock.draw(kIdleMinMs, kIdleMaxMs);
    m_timer = m_clock.callAfter(pause, this, [this] {
        m_timer = 0;
        idleMove();
    });
}

void StageCharacter::idleMove()
{
    if (isBusy() || !m_queue.empty() || !isInView())
        return;
    // Mostly a blink; now and then a deep breath or a look around.
    const int roll = m_clock.draw(0, 9);
    const QString name = roll < 5 ? QStringLiteral("Blink")
        : roll < 8                ? QStringLiteral("Breathe")
                                  : QStringLiteral("LookAround");
    m_idleAnimation = m_file->animation(name);
    ++m_idleCount;
    playFrames(m_idleAnimation, 0, true);
}

// ---- Drawing -----------------------------------------------------------------

void StageCharacter::showPose(const QString &pose, int mouth)
{
    m_pose = pose;
    m_frameMouth = mouth;
    m_mouthShown = mouth >= 0 ? mouth : m_speakMouth;
    if (m_layer && m_layer->isVisible())
        m_layer->update();
}

const QPixmap &StageCharacter::frame(const QString &pose, int mouth, qreal dpr)
{
    return m_frames.frame(pose, mouth, figureSize(), dpr);
}

const QPixmap &StageCharacter::currentFrame()
{
    return frame(m_pose, m_mouthShown, m_layer ? m_layer->devicePixelRatioF() : 1.0);
}

} // namespace Zentovia
