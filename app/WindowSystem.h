// What the window system around Kivu offers: whether a window manager runs (one that can give a
// minimised window back, maximise and keep title bars), and the frame's ways to take the screen, to be
// minimised and to come back.
#pragma once

#include "app/CommandLine.h"

class QWidget;

namespace kivu {

// True under Wayland, and under X11 when a window manager announces itself on the root window
// (_NET_SUPPORTING_WM_CHECK). False on the platforms without one (eglfs, linuxfb, offscreen, vnc).
bool HasWindowManager();

// Shows window as mode asks: the whole screen it is on, maximised, or a window with a client area of
// width x height.
void ShowInMode(QWidget& window, WindowMode mode, int width, int height);

// Full screen on, or off again to a maximised window (where a window manager runs).
void ToggleFullScreen(QWidget& window);

// Minimises window, so that a taskbar or the window manager brings it back; hides it where nothing
// could. The program runs on either way.
void MinimizeWindow(QWidget& window);

// Brings back a minimised or hidden window as it was before (full screen, maximised or normal), raised
// and active.
void RestoreWindow(QWidget& window);

}  // namespace kivu
