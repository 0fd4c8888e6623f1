#include "app/DisplayPlatform.h"

#include <dirent.h>

#include <cctype>
#include <cstring>

namespace kivu {
namespace {

bool IsSet(const char* value) {
  return value && *value;
}

// An entry of the folder named prefix followed by a number: "fb0", "card1".
bool HasNumberedEntry(const std::string& folder, const char* prefix) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return false;
  const size_t length = std::strlen(prefix);
  bool found = false;
  while (const dirent* entry = readdir(dir)) {
    if (std::strncmp(entry->d_name, prefix, length) == 0 &&
        std::isdigit(static_cast<unsigned char>(entry->d_name[length]))) {
      found = true;
      break;
    }
  }
  closedir(dir);
  return found;
}

}  // namespace

DisplayChoice ChooseDisplayPlatform(const char* qpaPlatform, const char* display, const char* waylandDisplay,
                                    const std::string& deviceFolder) {
  const bool framebuffer = HasNumberedEntry(deviceFolder, "fb");
  const bool drm = HasNumberedEntry(deviceFolder + "dri/", "card");
  DisplayChoice choice;
  if (IsSet(qpaPlatform)) {
    // "linuxfb:fb=/dev/fb1" names the platform before its options.
    const std::string name = std::string(qpaPlatform).substr(0, std::strcspn(qpaPlatform, ":"));
    choice.ok = (name != "linuxfb" && name != "eglfs") || framebuffer || drm;
    if (!choice.ok)
      choice.problem = "QT_QPA_PLATFORM is " + name + " but there is no framebuffer or DRM device";
    return choice;
  }
  if (IsSet(waylandDisplay)) {
    // A Wayland session (often with XWayland's DISPLAY beside it): Qt's own Wayland platform, which
    // Debian's Qt does not try first; X11 through XWayland where that platform cannot start.
    choice.ok = true;
    choice.platform = "wayland;xcb";
  } else if (IsSet(display)) {
    choice.ok = true;
  } else if (framebuffer || drm) {
    choice.ok = true;
    choice.platform = framebuffer ? "linuxfb" : "eglfs";
  } else {
    choice.problem = "DISPLAY and WAYLAND_DISPLAY are unset and there is no framebuffer or DRM device";
  }
  return choice;
}

}  // namespace kivu
