#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QWidget>

namespace Zentovia {

// The window the characters live in. A character's figure and balloon are
// child widgets of it, kept above every other child, so they move, hide and
// stack with the window and never come above another window or a box.
// Places are measured from the window's top-left corner. The window may
// name widgets that a balloon must leave in view.
class Stage : public QObject
{
    Q_OBJECT
public:
    explicit Stage(QWidget &window);
    ~Stage() override;

    QWidget *window() const { return m_window; }
    // The window's own rectangle, at its origin (empty once it is gone).
    QRect area() const;
    // Whether the window is on screen: shown and not minimized.
    bool isShown() const;

    // Widgets inside the window that a balloon must not cover.
    void setKeepClear(const QList<QWidget *> &widgets);
    // Their rectangles now, in the window's coordinates.
    QList<QRect> keepClear() const;

    // A widget of the characters: raised now and again whenever the window
    // gets a new child. Layers keep the order in which they were added.
    void addLayer(QWidget *layer);
    void raiseLayers();

Q_SIGNALS:
    // The window has come back on screen: shown or restored.
    void shown();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_window;
    QList<QPointer<QWidget>> m_keepClear;
    QList<QPointer<QWidget>> m_layers;
};

} // namespace Zentovia
