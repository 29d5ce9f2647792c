#include "stage/stageagent.h"

#include "core/clock.h"
#include "core/datapath.h"
#include "core/failure.h"
#include "figure/characterfile.h"
#include "stage/stage.h"
#include "stage/stagecharacter.h"
#include "voice/pacedvoice.h"

#include <QDir>
#include <QFileInfo>

namespace Zentovia {

StageAgent::StageAgent(std::unique_ptr<Voice> voice)
    : StageAgent(std::move(voice), Clock::system())
{ }

StageAgent::StageAgent(std::unique_ptr<Voice> voice, Clock &clock)
    : m_voice(voice ? std::move(voice) : std::make_unique<PacedVoice>(&clock))
    , m_clock(clock)
{ }

StageAgent::~StageAgent()
{
    // The characters go before the voice they speak with and their stage.
    m_characters.clear();
}

void StageAgent::setStage(QWidget *window)
{
    Q_ASSERT(m_characters.isEmpty());
    m_stage = window ? std::make_unique<Stage>(*window) : nullptr;
}

void StageAgent::setKeepClear(const QList<QWidget *> &widgets)
{
    if (m_stage)
        m_stage->setKeepClear(widgets);
}

QString StageAgent::resolve(const QString &key)
{
    if (QFileInfo(key).isAbsolute())
        return QDir::cleanPath(key);
    return QDir::cleanPath(dataPath(key));
}

void StageAgent::Load(const QString &id, const QString &key)
{
    if (m_characters.contains(id.toLower()))
        throw Failure(QStringLiteral("Il personaggio \"%1\" è già caricato.").arg(id));
    auto file = CharacterFile::load(resolve(key), m_partTexts);
    if (!m_stage || !m_stage->window())
        throw Failure(
            QStringLiteral("Il personaggio \"%1\" non ha una finestra in cui mostrarsi.").arg(id));
    m_characters.insert(id.toLower(),
        std::make_shared<StageCharacter>(id, std::move(file), *m_voice, m_clock, *m_stage));
}

Character &StageAgent::Item(const QString &id)
{
    return stageItem(id);
}

StageCharacter &StageAgent::stageItem(const QString &id)
{
    const auto it = m_characters.constFind(id.toLower());
    if (it == m_characters.cend())
        throw Failure(QStringLiteral("Il personaggio \"%1\" non è stato caricato.").arg(id));
    return **it;
}

} // namespace Zentovia
