#include "character/figurewindow.h"

#include "character/desktopcharacter.h"

#include <QMouseEvent>
#include <QPainter>

namespace Zentovia {

FigureWindow::FigureWindow(DesktopCharacter &character)
    : QWidget(nullptr,
        Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus
            | Qt::NoDropShadowWindowHint)
    , m_character(character)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setObjectName(QStringLiteral("character"));
    setWindowTitle(character.id());
    setAccessibleName(character.id());
    setAccessibleDescription(QStringLiteral("Il mago che detta le domande"));
    setCursor(Qt::PointingHandCursor);
}

void FigureWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawPixmap(0, 0, m_character.currentFrame().pixmap);
}

void FigureWindow::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
}

void FigureWindow::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_pressed && event->button() == Qt::LeftButton
        && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    m_pressed = false;
}

} // namespace Zentovia
