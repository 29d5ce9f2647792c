#pragma once

#include <QSize>

class QScreen;

namespace Zentovia {

// The contest's window on a screen smaller than its form, as a classroom's
// 1280 by 720 at twice the scale: the whole program is drawn smaller,
// keeping the form's proportions, so that every control is on the screen.
// On a screen that holds the form nothing changes.
class ScreenFit
{
public:
    // The room a window's title bar takes above it, as most desktops draw it.
    static constexpr int TitleBar = 28;

    // The share of its size at which a window of that size, with its title
    // bar, fits in available (both in the screen's units now): 1 when it
    // fits as it is. With a keypad beside it from besideFrom on, besideWidth
    // wide: the keypad's keys keep their size on the glass at any scale.
    static qreal scale(
        const QSize &window, const QSize &available, int besideFrom = 0, int besideWidth = 0);

    // Every window of the program, from now on, drawn at that share of the
    // size the desktop's scale gives it; before the first window is made.
    static void apply(qreal scale);

    // Fits the window of that size to the screen it opens on; the scale
    // applied.
    static qreal fit(
        const QSize &window, const QScreen *screen, int besideFrom = 0, int besideWidth = 0);
    // Fits the contest's window, with the keypad when it comes at once, to
    // the screen it opens on.
    static qreal fitContest(bool withKeypad);
};

} // namespace Zentovia
