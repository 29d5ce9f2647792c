#pragma once

#include "figure/framecache.h"

#include "core/character.h"
#include "figure/characterfile.h"

#include <QPixmap>
#include <QPointer>

#include <deque>
#include <memory>

namespace Zentovia {

class Balloon;
class Clock;
class FigureLayer;
class Stage;
class Voice;

// A character drawn from a character file inside the stage's window. Show,
// MoveTo, Play and Speak join a queue carried out one request at a time on
// the clock; the height is set at once. Places are the window's. While
// nothing is queued and the character is in view it lives: it blinks,
// breathes and looks around.
class StageCharacter : public Character
{
    Q_OBJECT
public:
    StageCharacter(const QString &id, std::shared_ptr<const CharacterFile> file, Voice &voice,
        Clock &clock, Stage &stage, QObject *parent = nullptr);
    ~StageCharacter() override;

    Request Show() override;
    Request MoveTo(int x, int y) override;
    Request Play(const QString &animation) override;
    Request Speak(const QString &text) override;
    void Stop() override;
    void setHeight(int pixels) override;
    int height() const override { return m_height; }

    static constexpr int kDefaultHeight = 160; // until told otherwise
    static constexpr int kGlideFrameMs = 33; // 30 frames a second
    static constexpr int kGlideSpeed = 900; // pixels a second
    static constexpr int kMaxGlideMs = 900;
    static constexpr int kSpeechHoldMs = 350; // after the last word, before the next request
    static constexpr int kBalloonCloseMs = 1200; // the balloon stays this long after speaking
    static constexpr int kIdleMinMs = 2500; // pause between two idle moves
    static constexpr int kIdleMaxMs = 5500;

    QString id() const { return m_id; }
    const CharacterFile &file() const { return *m_file; }
    // The figure and the balloon, children of the stage's window (nullptr
    // once the window is gone).
    FigureLayer *layer() const;
    Balloon *balloon() const;
    // Whether a request is being carried out, and how many wait behind it.
    bool isBusy() const { return m_current.kind != Kind::None; }
    int queued() const { return int(m_queue.size()); }
    // The pose and mouth level now shown; whether an idle move is running.
    QString pose() const { return m_pose; }
    int mouth() const { return m_mouthShown; }
    bool isIdleMoving() const { return m_idleAnimation != nullptr; }
    // Shown in a window that is on screen.
    bool isInView() const;

    // The current frame, from the cache (drawn once per pose, mouth, height
    // and device pixel ratio).
    const QPixmap &frame(const QString &pose, int mouth, qreal dpr);
    const QPixmap &currentFrame();
    int cachedFrames() const { return m_frames.size(); }
    qint64 cachedFrameBytes() const { return m_frames.bytes(); }
    QSize figureSize() const;

private:
    enum class Kind { None, Show, MoveTo, Play, Speak };
    struct Item
    {
        quint64 id = 0;
        Kind kind = Kind::None;
        QPoint to;
        const CharacterFile::Animation *animation = nullptr;
        QString text;
    };

    Request enqueue(Item item);
    void schedulePump();
    void pump();
    void start(const Item &item);
    void finish();
    void cancelTimers();

    void startShow();
    void glideStep();
    void playFrames(const CharacterFile::Animation *animation, int index, bool idle);
    void startSpeak(const QString &text);
    void onWord(int position, int length);
    void onMouth(qreal openness);
    void onVoiceFinished();

    void scheduleIdle();
    void idleMove();

    void showPose(const QString &pose, int mouth);
    void placeBalloon();
    QPoint mouthAt() const;
    void leaveStage();

    QString m_id;
    std::shared_ptr<const CharacterFile> m_file;
    Voice &m_voice;
    Clock &m_clock;
    Stage &m_stage;
    QPointer<FigureLayer> m_layer;
    QPointer<Balloon> m_balloon;
    bool m_placed = false; // moved or shown at least once

    quint64 m_nextId = 1;
    std::deque<Item> m_queue;
    Item m_current;
    bool m_pumpScheduled = false;
    quint64 m_timer = 0; // the one timer of the running request or idle move
    quint64 m_balloonTimer = 0; // closes the balloon
    quint64 m_watchdog = 0; // ends a speech whose voice never finishes

    // Gliding.
    QPoint m_glideFrom, m_glideTo;
    qint64 m_glideStart = 0;
    int m_glideMs = 0;

    // Speaking.
    bool m_speaking = false;
    int m_speakMouth = 0;

    // Idle life.
    const CharacterFile::Animation *m_idleAnimation = nullptr;
    int m_idleCount = 0;

    int m_height = kDefaultHeight;
    QString m_pose;
    int m_frameMouth = -1; // the mouth the frame asks for, -1: the speaking mouth
    int m_mouthShown = 0;
    FrameCache m_frames;
};

} // namespace Zentovia
