#pragma once

#include <QPointer>
#include <QWidget>

namespace Zentovia {

class StageCharacter;

// The character's figure: a child of the stage's window that draws the
// current frame, soft edges and glows blended over the controls beneath.
// It lets every click through; a sibling that paints nothing, cut to the
// figure's shape, catches the clicks on the figure itself, so a click on a
// transparent part reaches the control beneath. Neither ever takes focus.
class FigureLayer : public QWidget
{
    Q_OBJECT
public:
    FigureLayer(StageCharacter &character, QWidget &stage);
    ~FigureLayer() override;

    // The widget that catches the clicks.
    QWidget *hitArea() const { return m_hit; }
    // Cuts the hit area to the figure's shape at rest, at the current size.
    void updateShape();
    void setVisible(bool visible) override;

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent *) override;
    void moveEvent(QMoveEvent *) override;
    void resizeEvent(QResizeEvent *) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    StageCharacter &m_character;
    QPointer<QWidget> m_hit;
    bool m_pressed = false;
};

} // namespace Zentovia
