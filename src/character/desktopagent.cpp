#include "character/desktopagent.h"

#include "core/datapath.h"
#include "core/failure.h"
#include "character/characterfile.h"
#include "character/clock.h"
#include "character/desktopcharacter.h"
#include "character/pacedvoice.h"
#include "character/stage.h"

#include <QDir>
#include <QFileInfo>

namespace Zentovia {

DesktopAgent::DesktopAgent(std::unique_ptr<Voice> voice)
    : DesktopAgent(std::move(voice), Clock::system())
{ }

DesktopAgent::DesktopAgent(std::unique_ptr<Voice> voice, Clock &clock)
    : m_voice(voice ? std::move(voice) : std::make_unique<PacedVoice>(&clock))
    , m_clock(clock)
{ }

DesktopAgent::~DesktopAgent()
{
    // The characters go before the voice they speak with and their stage.
    m_characters.clear();
}

void DesktopAgent::setStage(QWidget *window)
{
    Q_ASSERT(m_characters.isEmpty());
    m_stage = window ? std::make_unique<Stage>(*window) : nullptr;
}

void DesktopAgent::setKeepClear(const QList<QWidget *> &widgets)
{
    if (m_stage)
        m_stage->setKeepClear(widgets);
}

QString DesktopAgent::resolve(const QString &key)
{
    if (QFileInfo(key).isAbsolute())
        return QDir::cleanPath(key);
    return QDir::cleanPath(dataPath(key));
}

void DesktopAgent::Load(const QString &id, const QString &key)
{
    if (m_characters.contains(id.toLower()))
        throw Failure(QStringLiteral("Il personaggio \"%1\" è già caricato.").arg(id));
    auto file = CharacterFile::load(resolve(key));
    if (!m_stage || !m_stage->window())
        throw Failure(
            QStringLiteral("Il personaggio \"%1\" non ha una finestra in cui mostrarsi.").arg(id));
    m_characters.insert(id.toLower(),
        std::make_shared<DesktopCharacter>(id, std::move(file), *m_voice, m_clock, *m_stage));
}

Character &DesktopAgent::Item(const QString &id)
{
    return desktopItem(id);
}

DesktopCharacter &DesktopAgent::desktopItem(const QString &id)
{
    const auto it = m_characters.constFind(id.toLower());
    if (it == m_characters.cend())
        throw Failure(QStringLiteral("Il personaggio \"%1\" non è stato caricato.").arg(id));
    return **it;
}

} // namespace Zentovia
