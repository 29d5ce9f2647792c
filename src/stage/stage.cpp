#include "stage/stage.h"

#include <QChildEvent>
#include <QEvent>

namespace Zentovia {

Stage::Stage(QWidget &window)
    : m_window(&window)
{
    window.installEventFilter(this);
}

Stage::~Stage()
{
    if (m_window)
        m_window->removeEventFilter(this);
}

QRect Stage::area() const
{
    return m_window ? m_window->rect() : QRect();
}

bool Stage::isShown() const
{
    return m_window && m_window->isVisible() && !m_window->isMinimized();
}

void Stage::setKeepClear(const QList<QWidget *> &widgets)
{
    m_keepClear.clear();
    for (QWidget *widget : widgets)
        m_keepClear.append(widget);
}

QList<QRect> Stage::keepClear() const
{
    QList<QRect> rects;
    for (const QPointer<QWidget> &widget : m_keepClear) {
        if (widget && m_window && m_window->isAncestorOf(widget))
            rects.append(QRect(widget->mapTo(m_window.data(), QPoint(0, 0)), widget->size()));
    }
    return rects;
}

void Stage::addLayer(QWidget *layer)
{
    m_layers.append(layer);
    raiseLayers();
}

void Stage::raiseLayers()
{
    for (const QPointer<QWidget> &layer : std::as_const(m_layers)) {
        if (layer)
            layer->raise();
    }
}

bool Stage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window) {
        switch (event->type()) {
        case QEvent::ChildAdded:
            if (static_cast<QChildEvent *>(event)->child()->isWidgetType())
                raiseLayers();
            break;
        case QEvent::Show:
        case QEvent::WindowStateChange:
            if (isShown())
                Q_EMIT shown();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace Zentovia
