#pragma once

class QWidget;

namespace Zentovia {

// What the desktop offers a character window beyond Qt.
namespace DesktopWindowing {

// Whether a compositing manager blends translucent windows. Where none runs
// (a plain X server) a window is cut to the figure's shape instead.
bool hasCompositor();
// Asks the window manager to keep the window out of the task bar and the
// pager (X11: _NET_WM_STATE_SKIP_TASKBAR and _NET_WM_STATE_SKIP_PAGER);
// call it after the window is shown. Qt::Tool does the same on Windows.
void keepOutOfTaskBar(QWidget *window);

} // namespace DesktopWindowing

} // namespace Zentovia
