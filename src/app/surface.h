#pragma once

#include <QColor>
#include <QWidget>

namespace Zentovia {

// The window's client area: its background colour, the colour gradient that
// each question paints, and the five filled rectangles that frame the score
// panel, the clock and the answer box. The controls stand over all of it.
class Surface : public QWidget
{
    Q_OBJECT
public:
    // The number of horizontal bands of the gradient.
    static constexpr int Bands = 256;

    explicit Surface(QWidget *parent = nullptr);

    // Paints 256 bands from top to bottom over the whole inner height, band
    // i in RGB(red, green, i). It stays, also across repaints and resizes,
    // until clear().
    void paintGradient(int red, int green);
    // Clears what was drawn (the gradient); the background and the
    // rectangles stay.
    void clear();

    bool hasGradient() const { return m_gradient; }
    // The colour of the band at a height of the client area.
    QColor bandColourAt(int y) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_gradient = false;
    int m_red = 0;
    int m_green = 0;
};

} // namespace Zentovia
