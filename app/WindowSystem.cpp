#include "app/WindowSystem.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <memory>

#include "app/WaylandActivation.h"
#include "view/widgets/X11Desktop.h"

namespace kivu {

namespace {

// The size of the window (a car's screen) when it is neither maximised nor full screen, unless
// --window chose one.
constexpr int kNormalWidth = 800;
constexpr int kNormalHeight = 480;

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};

// Asks the window manager to minimise window, as the ICCCM has a client ask (WM_CHANGE_STATE).
void IconifyX11Window(xcb_connection_t* connection, xcb_window_t window) {
  static const char kName[] = "WM_CHANGE_STATE";
  std::unique_ptr<xcb_intern_atom_reply_t, FreeReply> atom(
      xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof kName - 1, kName), nullptr));
  std::unique_ptr<xcb_get_geometry_reply_t, FreeReply> geometry(
      xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
  if (!atom || !geometry) return;
  xcb_client_message_event_t event = {};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = atom->atom;
  event.data.data32[0] = 3;  // IconicState
  xcb_send_event(connection, 0, geometry->root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                 reinterpret_cast<const char*>(&event));
  xcb_flush(connection);
}

}  // namespace

bool HasWindowManager() {
  return OnWayland() || !X11WindowManagerName().empty();
}

void ShowInMode(QWidget& window, WindowMode mode, int width, int height) {
  switch (mode) {
    case WindowMode::FullScreen:
      // Without a window manager nobody else makes the window as large as the screen.
      if (QScreen* screen = window.screen()) window.setGeometry(screen->geometry());
      window.showFullScreen();
      break;
    case WindowMode::Maximized:
      // The size the window takes when it is no longer maximised (its title bar's button): one of its
      // own, not what Qt gives a window that was never sized, too small to show the dashboard.
      if (QScreen* screen = window.screen())
        window.resize(QSize(kNormalWidth, kNormalHeight).boundedTo(screen->availableGeometry().size()));
      window.showMaximized();
      break;
    case WindowMode::Window:
      window.resize(width, height);
      window.showNormal();
      break;
  }
}

void ToggleFullScreen(QWidget& window) {
  if (!window.isFullScreen()) {
    window.setWindowState(window.windowState() | Qt::WindowFullScreen);
  } else if (HasWindowManager()) {
    window.setWindowState((window.windowState() & ~Qt::WindowFullScreen) | Qt::WindowMaximized);
  } else {
    // Nothing would move or size a window here: it stays as large as the screen.
    window.setWindowState(window.windowState() & ~Qt::WindowFullScreen);
    if (QScreen* screen = window.screen()) window.setGeometry(screen->geometry());
  }
}

void MinimizeWindow(QWidget& window) {
  // A Wayland compositor without a minimised state (sway) leaves nothing to come back from: as without
  // a window manager.
  if (!HasWindowManager() || (OnWayland() && !WaylandCompositorMinimizes())) {
    window.hide();
  } else if (xcb_connection_t* x11 = X11Connection(); x11 && window.windowHandle()) {
    // Under X11 the window manager is asked itself and Qt learns the new state from it. Qt's own way
    // does nothing while it believes the window minimised, which it may still do after a taskbar brought
    // the window back: its record lags behind the window manager's.
    IconifyX11Window(x11, static_cast<xcb_window_t>(window.winId()));
  } else {
    window.showMinimized();
  }
}

void RestoreWindow(QWidget& window) {
  xcb_connection_t* x11 = X11Connection();
  if (x11 && window.isVisible() && HasWindowManager()) {
    // Mapping a minimised window asks the window manager to bring it back (ICCCM), maximised or full
    // screen as it kept it. Qt is not asked: it skips the request when its record says the window is
    // not minimised, or, having lost track of its being maximised, brings it back at its normal size.
    xcb_map_window(x11, static_cast<xcb_window_t>(window.winId()));
    xcb_flush(x11);
  } else {
    // While the window is minimised, the widget's own state may have lost its maximised or full-screen
    // part; the native window's state keeps them.
    Qt::WindowStates states = window.windowState();
    if (QWindow* native = window.windowHandle()) states = native->windowStates();
    window.setWindowState(states & ~Qt::WindowMinimized);
    window.show();
  }
  window.raise();
  window.activateWindow();
}

}  // namespace kivu
