#pragma once

// What the end-to-end test reads off the screen: the whole X screen is
// grabbed (on Wayland it shows the compositor's output), and the program's
// parts are found by their colours, so that every place is measured from
// the program's own window wherever the desktop put it.

#include <QImage>
#include <QRect>

#include <optional>

namespace Zentovia::EndToEnd {

QImage grabScreen();

// The inside of the answer box (the only wide light yellow area).
std::optional<QRect> answerBox(const QImage &screen);

// The client area of a box (an input or message box), with its frame where
// the desktop draws it in the same grey: a connected area of the boxes'
// grey, thick both ways (a window's thin frame in that grey does not join
// it), of a box's size (the window's menu bar is wider).
std::optional<QRect> box(const QImage &screen);

// Pixels of the wizard's robe within a rectangle of the screen.
int wizardPixels(const QImage &screen, const QRect &within);

// Where a colour is on the screen: the rectangle around every pixel of
// exactly that colour, when there are at least atLeast of them.
std::optional<QRect> areaOf(const QImage &screen, QRgb colour, int atLeast);

// Pixels of exactly the given colour within a rectangle of the screen.
int pixelsOf(const QImage &screen, const QRect &within, QRgb colour);

// The multiplier of the question on screen, read from its box above the
// answer box; nothing while it cannot be read.
std::optional<int> readMultiplier(const QImage &screen, const QRect &answer);

} // namespace Zentovia::EndToEnd
