// Bringing a window to the front on Wayland. A compositor moves the keyboard to a window only for an
// activation token (xdg-activation-v1) that it handed out itself: the second start of Kivu takes one (its
// launcher's, or one it asks for) and passes it to the running copy, which activates its frame with it.
#pragma once

#include <string>

class QWindow;

namespace kivu {

// True when Qt shows its windows through a Wayland compositor.
bool OnWayland();

// Whether the compositor has a minimised state to give a window and a way back from it. Sway, a tiling
// compositor, has none: a window it is asked to minimise stays as it is.
bool WaylandCompositorMinimizes();

// A token with which another client may activate its window: XDG_ACTIVATION_TOKEN as the launcher set
// it (taken out of the environment, so that nothing started later reuses it), else one asked of the
// compositor. Empty, with the reason in why, where there is none.
std::string TakeActivationToken(std::string& why);

// Activates window with token: at once when the compositor has its surface mapped (shown, minimised or
// behind other windows), else once Qt has painted it newly shown. False, with the reason in why, where
// the compositor offers no xdg-activation.
bool ActivateWindowWithToken(QWindow& window, const std::string& token, bool mapped, std::string& why);

}  // namespace kivu
