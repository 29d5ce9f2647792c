#pragma once

#include "core/agent.h"
#include "voice/voice.h"

#include <QHash>
#include <QList>
#include <QString>

#include <memory>

class QWidget;

namespace Zentovia {

class Clock;
class StageCharacter;
class Stage;

// The program's character host (the window's Agent1): loads character files
// and shows their characters inside one window, the stage.
class StageAgent : public Agent
{
public:
    // Without a voice the characters speak with a PacedVoice (silent,
    // balloons at a child's reading pace).
    explicit StageAgent(std::unique_ptr<Voice> voice = nullptr);
    // For tests and benchmarks: everything timed runs on the given clock,
    // which must outlive the agent.
    StageAgent(std::unique_ptr<Voice> voice, Clock &clock);
    ~StageAgent() override;

    // The window the characters live in; set once, before the first Load.
    void setStage(QWidget *window);
    // Widgets of that window that the characters' balloons leave in view.
    void setKeepClear(const QList<QWidget *> &widgets);
    // Texts that the parts of the characters loaded from now on show, by
    // part id, in place of their drawing's own.
    void setPartTexts(const QHash<QString, QString> &texts) { m_partTexts = texts; }

    // A relative key is a path under dataDir(); an absolute key is used as
    // it is. Raises a Failure naming the file and the fault, when id is
    // already loaded, or when there is no stage.
    void Load(const QString &id, const QString &key) override;
    // Ids are matched without regard to case; an unknown id raises a Failure.
    Character &Item(const QString &id) override;

    // The same character with its extras (figure, balloon).
    StageCharacter &stageItem(const QString &id);
    Voice &voice() { return *m_voice; }

    // Resolves a key to the path of its file.
    static QString resolve(const QString &key);

private:
    std::unique_ptr<Voice> m_voice;
    Clock &m_clock;
    std::unique_ptr<Stage> m_stage;
    QHash<QString, QString> m_partTexts;
    QHash<QString, std::shared_ptr<StageCharacter>> m_characters; // lower-case id
};

} // namespace Zentovia
