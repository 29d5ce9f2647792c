#pragma once

#include <QWidget>

namespace Zentovia {

class DesktopCharacter;

// The character's own window: frameless, always on top, outside the task
// bar, transparent around the figure (cut to its shape where no compositor
// runs). It draws the current frame from the character's cache.
class FigureWindow : public QWidget
{
    Q_OBJECT
public:
    explicit FigureWindow(DesktopCharacter &character);

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *) override;
    void mouseReleaseEvent(QMouseEvent *) override;

private:
    DesktopCharacter &m_character;
    bool m_pressed = false;
};

} // namespace Zentovia
