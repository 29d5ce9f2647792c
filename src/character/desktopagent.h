#pragma once

#include "character/agent.h"
#include "character/voice.h"

#include <QHash>
#include <QList>
#include <QString>

#include <memory>

class QWidget;

namespace Zentovia {

class Clock;
class DesktopCharacter;
class Stage;

// The program's character host (the window's Agent1): loads character files
// and shows their characters inside one window, the stage.
class DesktopAgent : public Agent
{
public:
    // Without a voice the characters speak with a PacedVoice (silent,
    // balloons at a child's reading pace).
    explicit DesktopAgent(std::unique_ptr<Voice> voice = nullptr);
    // For tests and benchmarks: everything timed runs on the given clock,
    // which must outlive the agent.
    DesktopAgent(std::unique_ptr<Voice> voice, Clock &clock);
    ~DesktopAgent() override;

    // The window the characters live in; set once, before the first Load.
    void setStage(QWidget *window);
    // Widgets of that window that the characters' balloons leave in view.
    void setKeepClear(const QList<QWidget *> &widgets);

    // A relative key is a path under dataDir(); an absolute key is used as
    // it is. Raises a Failure naming the file and the fault, when id is
    // already loaded, or when there is no stage.
    void Load(const QString &id, const QString &key) override;
    // Ids are matched without regard to case; an unknown id raises a Failure.
    Character &Item(const QString &id) override;

    // The same character with its extras (figure, balloon).
    DesktopCharacter &desktopItem(const QString &id);
    Voice &voice() { return *m_voice; }

    // Resolves a key to the path of its file.
    static QString resolve(const QString &key);

private:
    std::unique_ptr<Voice> m_voice;
    Clock &m_clock;
    std::unique_ptr<Stage> m_stage;
    QHash<QString, std::shared_ptr<DesktopCharacter>> m_characters; // lower-case id
};

} // namespace Zentovia
