#include "character/desktopcharacter.h"

#include "core/failure.h"
#include "character/balloon.h"
#include "character/clock.h"
#include "character/desktopwindowing.h"
#include "character/figurewindow.h"
#include "character/pacedvoice.h"
#include "character/voice.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QScreen>
#include <QWindow>
#include <QtMath>

namespace Zentovia {

namespace {

// Raises a window where the platform can (the offscreen one of the tests
// cannot, and says so).
void raiseWindow(QWidget *window)
{
    if (QGuiApplication::platformName() != u"offscreen")
        window->raise();
}

} // namespace

// ---- The character -----------------------------------------------------------

DesktopCharacter::DesktopCharacter(const QString &id, std::shared_ptr<const CharacterFile> file,
    Voice &voice, Clock &clock, QObject *parent)
    : Character(parent)
    , m_id(id)
    , m_file(std::move(file))
    , m_voice(voice)
    , m_clock(clock)
    , m_useMask(QGuiApplication::platformName() == u"xcb" && !DesktopWindowing::hasCompositor())
    , m_frames(m_file, m_useMask)
{
    m_window = std::make_unique<FigureWindow>(*this);
    m_balloon = std::make_unique<Balloon>();
    m_pose = m_file->restPose();
    m_window->resize(figureSize());
    // Until told otherwise it stands near the right edge of the screen, so
    // its first MoveTo is a short flight.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        m_window->move(qMax(avail.left(), avail.right() - figureSize().width() - 60),
            avail.top() + qMin(175, qMax(0, avail.height() - m_height)));
    }

    connect(m_window.get(), &FigureWindow::clicked, this, &Character::clicked);
    connect(&m_voice, &Voice::wordReached, this, &DesktopCharacter::onWord);
    connect(&m_voice, &Voice::mouthOpened, this, &DesktopCharacter::onMouth);
    connect(&m_voice, &Voice::finished, this, &DesktopCharacter::onVoiceFinished);
}

DesktopCharacter::~DesktopCharacter()
{
    cancelTimers();
    m_clock.cancel(m_balloonTimer);
    if (m_speaking)
        m_voice.stop();
}

QSize DesktopCharacter::figureSize() const
{
    return QSize(qMax(1, qRound(m_height * m_file->aspect())), m_height);
}

bool DesktopCharacter::isInView() const
{
    if (!m_window->isVisible() || (m_window->windowState() & Qt::WindowMinimized))
        return false;
    const QRect g = m_window->frameGeometry();
    for (const QScreen *screen : QGuiApplication::screens()) {
        if (screen->geometry().intersects(g))
            return true;
    }
    return QGuiApplication::screens().isEmpty();
}

// ---- Requests ----------------------------------------------------------------

Request DesktopCharacter::Show()
{
    Item item;
    item.kind = Kind::Show;
    return enqueue(std::move(item));
}

Request DesktopCharacter::MoveTo(int x, int y)
{
    Item item;
    item.kind = Kind::MoveTo;
    item.to = QPoint(x, y);
    return enqueue(std::move(item));
}

Request DesktopCharacter::Play(const QString &name)
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

Request DesktopCharacter::Speak(const QString &text)
{
    Item item;
    item.kind = Kind::Speak;
    item.text = text;
    m_voice.prepare(text);
    return enqueue(std::move(item));
}

void DesktopCharacter::setHeight(int pixels)
{
    m_height = qBound(16, pixels, 4000);
    m_window->resize(figureSize());
    m_window->update();
    applyMask();
    placeBalloon();
}

Request DesktopCharacter::enqueue(Item item)
{
    item.id = m_nextId++;
    const Request request { item.id };
    m_queue.push_back(std::move(item));
    schedulePump();
    return request;
}

void DesktopCharacter::schedulePump()
{
    if (m_pumpScheduled || isBusy())
        return;
    m_pumpScheduled = true;
    m_clock.callAfter(0, this, [this] {
        m_pumpScheduled = false;
        pump();
    });
}

void DesktopCharacter::pump()
{
    if (isBusy())
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

void DesktopCharacter::start(const Item &item)
{
    switch (item.kind) {
    case Kind::Show:
        startShow();
        break;
    case Kind::MoveTo: {
        const QPoint from = m_window->pos();
        if (from == item.to) {
            finish();
        } else if (!isInView()) {
            m_window->move(item.to);
            placeBalloon();
            finish();
        } else {
            m_glideFrom = from;
            m_glideTo = item.to;
            const qreal distance = std::hypot(item.to.x() - from.x(), item.to.y() - from.y());
            m_glideMs
                = qBound(kGlideFrameMs * 3, qRound(distance * 1000 / kGlideSpeed), kMaxGlideMs);
            m_glideStart = m_clock.now();
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

void DesktopCharacter::finish()
{
    const quint64 id = m_current.id;
    m_current = Item {};
    m_timer = 0;
    Q_EMIT requestDone(id);
    schedulePump();
}

void DesktopCharacter::cancelTimers()
{
    m_clock.cancel(m_timer);
    m_timer = 0;
}

void DesktopCharacter::startShow()
{
    if (isInView()) {
        raiseWindow(m_window.get());
        raiseWindow(m_balloon.get());
        finish();
        return;
    }
    // From wherever it was: restored, back on a screen, on top.
    if (m_window->windowState() & Qt::WindowMinimized)
        m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    bool onScreen = false;
    for (const QScreen *screen : QGuiApplication::screens())
        onScreen = onScreen || screen->geometry().intersects(m_window->frameGeometry());
    if (!onScreen) {
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            const QRect avail = screen->availableGeometry();
            m_window->move(avail.left() + qMax(0, (avail.width() - m_window->width()) / 2),
                avail.top() + qMax(0, (avail.height() - m_window->height()) / 2));
        }
    }
    const CharacterFile::Animation *appear = m_file->animation(QStringLiteral("Show"));
    showPose(appear->frames.first().pose, appear->frames.first().mouth);
    m_window->show();
    raiseWindow(m_window.get());
    DesktopWindowing::keepOutOfTaskBar(m_window.get());
    playFrames(appear, 0, false);
}

void DesktopCharacter::glideStep()
{
    const qreal t = qBound(0.0, qreal(m_clock.now() - m_glideStart) / m_glideMs, 1.0);
    // Smooth start and stop.
    const qreal e = t * t * (3 - 2 * t);
    const QPoint at(qRound(m_glideFrom.x() + (m_glideTo.x() - m_glideFrom.x()) * e),
        qRound(m_glideFrom.y() + (m_glideTo.y() - m_glideFrom.y()) * e));
    m_window->move(t >= 1 ? m_glideTo : at);
    if (t >= 1) {
        placeBalloon();
        finish();
        return;
    }
    m_timer = m_clock.callAfter(kGlideFrameMs, this, [this] { glideStep(); });
}

void DesktopCharacter::playFrames(const CharacterFile::Animation *animation, int index, bool idle)
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

void DesktopCharacter::startSpeak(const QString &text)
{
    m_clock.cancel(m_balloonTimer);
    m_balloonTimer = 0;
    m_speaking = true;
    m_speakMouth = 0;
    if (isInView()) {
        const QRect figure = m_window->frameGeometry();
        const QPointF mouth = m_file->mouthPoint();
        const qreal scale = m_height / m_file->size().height();
        m_balloon->open(text, figure,
            figure.topLeft() + QPoint(qRound(mouth.x() * scale), qRound(mouth.y() * scale)));
    }
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

void DesktopCharacter::onWord(int position, int length)
{
    if (m_speaking)
        m_balloon->revealUpTo(position + length);
}

void DesktopCharacter::onMouth(qreal openness)
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

void DesktopCharacter::onVoiceFinished()
{
    if (!m_speaking)
        return;
    m_speaking = false;
    m_clock.cancel(m_watchdog);
    m_watchdog = 0;
    m_balloon->revealAll();
    m_speakMouth = 0;
    showPose(m_pose, m_frameMouth);
    m_balloonTimer = m_clock.callAfter(kBalloonCloseMs, this, [this] {
        m_balloonTimer = 0;
        m_balloon->hide();
    });
    m_timer = m_clock.callAfter(kSpeechHoldMs, this, [this] { finish(); });
}

void DesktopCharacter::placeBalloon()
{
    if (!m_balloon->isVisible())
        return;
    const QRect figure = m_window->frameGeometry();
    const QPointF mouth = m_file->mouthPoint();
    const qreal scale = m_height / m_file->size().height();
    m_balloon->place(
        figure, figure.topLeft() + QPoint(qRound(mouth.x() * scale), qRound(mouth.y() * scale)));
}

// ---- Idle life ---------------------------------------------------------------

void DesktopCharacter::scheduleIdle()
{
    if (isBusy() || !m_queue.empty() || m_timer || !isInView())
        return;
    const int pause = int(QRandomGenerator::global()->bounded(kIdleMinMs, kIdleMaxMs + 1));
    m_timer = m_clock.callAfter(pause, this, [this] {
        m_timer = 0;
        idleMove();
    });
}

void DesktopCharacter::idleMove()
{
    if (isBusy() || !m_queue.empty() || !isInView())
        return;
    // Mostly a blink; now and then a deep breath or a look around.
    const int roll = int(QRandomGenerator::global()->bounded(10));
    const QString name = roll < 5 ? QStringLiteral("Blink")
        : roll < 8                ? QStringLiteral("Breathe")
                                  : QStringLiteral("LookAround");
    m_idleAnimation = m_file->animation(name);
    ++m_idleCount;
    playFrames(m_idleAnimation, 0, true);
}

// ---- Drawing -----------------------------------------------------------------

void DesktopCharacter::showPose(const QString &pose, int mouth)
{
    m_pose = pose;
    m_frameMouth = mouth;
    const int shown = mouth >= 0 ? mouth : m_speakMouth;
    m_mouthShown = shown;
    if (m_window->isVisible()) {
        m_window->update();
        applyMask();
    }
}

const DesktopCharacter::Frame &DesktopCharacter::frame(const QString &pose, int mouth, qreal dpr)
{
    return m_frames.frame(pose, mouth, figureSize(), dpr);
}

const DesktopCharacter::Frame &DesktopCharacter::currentFrame()
{
    return frame(m_pose, m_mouthShown, m_window->devicePixelRatioF());
}

void DesktopCharacter::applyMask()
{
    if (!m_useMask || !m_window->isVisible())
        return;
    const QRegion &mask = currentFrame().mask;
    if (mask != m_maskShown) {
        m_window->setMask(mask);
        m_maskShown = mask;
    }
}

} // namespace Zentovia
