#include "stage/figurelayer.h"

#include "figure/characterfile.h"
#include "stage/stagecharacter.h"

#include <QBitmap>
#include <QMouseEvent>
#include <QPainter>

namespace Zentovia {

FigureLayer::FigureLayer(StageCharacter &character, QWidget &stage)
    : QWidget(&stage)
    , m_character(character)
    , m_hit(new QWidget(&stage))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setObjectName(QStringLiteral("character"));
    setAccessibleName(character.id());
    setAccessibleDescription(QStringLiteral("Il mago che detta le domande"));

    m_hit->setObjectName(QStringLiteral("characterHitArea"));
    m_hit->setFocusPolicy(Qt::NoFocus);
    m_hit->setCursor(Qt::PointingHandCursor);
    m_hit->installEventFilter(this);
    QWidget::setVisible(false);
    m_hit->hide();
}

FigureLayer::~FigureLayer()
{
    delete m_hit.data();
}

void FigureLayer::setVisible(bool visible)
{
    QWidget::setVisible(visible);
    if (m_hit)
        m_hit->setVisible(visible);
}

void FigureLayer::updateShape()
{
    if (!m_hit)
        return;
    const CharacterFile &file = m_character.file();
    const QImage rest = file.render(file.restPose(), 0, size());
    m_hit->setMask(QBitmap::fromImage(rest.createAlphaMask(Qt::ThresholdAlphaDither)));
}

void FigureLayer::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_character.currentFrame());
}

void FigureLayer::moveEvent(QMoveEvent *)
{
    if (m_hit)
        m_hit->move(pos());
}

void FigureLayer::resizeEvent(QResizeEvent *)
{
    if (m_hit)
        m_hit->resize(size());
    updateShape();
}

bool FigureLayer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_hit) {
        if (event->type() == QEvent::MouseButtonPress) {
            m_pressed = static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            if (m_pressed && mouse->button() == Qt::LeftButton
                && m_hit->rect().contains(mouse->position().toPoint()))
                Q_EMIT clicked();
            m_pressed = false;
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace Zentovia
