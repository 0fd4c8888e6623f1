// Whether the dashboard has a screen to go on, decided before Qt starts.
#pragma once

#include <string>

namespace kivu {

struct DisplayChoice {
  bool ok = false;
  std::string platform;  // the Qt platform to start on; empty leaves Qt's own choice
  std::string problem;   // why there is no display, when not ok
};

// The environment's QT_QPA_PLATFORM, DISPLAY and WAYLAND_DISPLAY (null when unset) and the device
// folder (normally "/dev/"). A desktop session is taken as it is, a Wayland one on Qt's Wayland platform
// (X11 through XWayland only where that cannot start). Without one, a car PC or a Raspberry
// Pi shows the dashboard straight on its screen: Qt's linuxfb on a framebuffer, eglfs where only a DRM
// device is there. An explicit linuxfb or eglfs needs one of those devices too, so that a missing one
// is reported here instead of Qt aborting the start.
DisplayChoice ChooseDisplayPlatform(const char* qpaPlatform, const char* display, const char* waylandDisplay,
                                    const std::string& deviceFolder);

}  // namespace kivu
