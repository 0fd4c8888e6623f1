// What the X server and the window manager say of a top-level window of the test's: where it really is,
// whether it is mapped, and the states the window manager keeps for it. Read through Qt's own connection.
#pragma once

#include <xcb/xcb.h>

#include <QRect>
#include <string>
#include <vector>

namespace kivu::test {

struct X11Shown {
  QRect geometry;          // of the window itself, less the frame, in screen coordinates
  bool viewable = false;   // mapped, and so are its parents
  uint32_t wmState = 0;    // WM_STATE as the window manager set it: 1 normal, 3 iconic; 0 without one
  bool maximized = false;  // both of _NET_WM_STATE's maximised states
  bool fullScreen = false;
  bool operator==(const X11Shown&) const = default;
};

inline constexpr uint32_t kX11NormalState = 1;
inline constexpr uint32_t kX11IconicState = 3;

xcb_window_t X11Root();
xcb_atom_t X11Atom(const char* name);
// The 32-bit values of a property of window (atoms, windows, cardinals); empty when it has none.
std::vector<uint32_t> X11Property(xcb_window_t window, const char* name);
X11Shown ReadX11Shown(xcb_window_t window);
// Asks the window manager to bring window to the front as a taskbar does when its button is clicked.
void ActivateAsTaskbar(xcb_window_t window);

}  // namespace kivu::test
