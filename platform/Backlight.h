// The screen's backlight, through the kernel's backlight devices (/sys/class/backlight/<name>/): dimmed
// at night to a share of the user's own level, and put back as the user left it.
#pragma once

#include <string>

namespace kivu {

// One backlight device, chosen among those of a folder laid out as /sys/class/backlight (subfolders with
// brightness, max_brightness and type files). The choice is the kernel's own order of preference: a
// "firmware" device, then "platform", then "raw" (one without a type comes last), ties broken by name;
// a device whose files do not hold sane numbers is passed over, and so is one whose brightness we may
// not write, when another may be written.
//
// Where there is no device, or none we may write (an ordinary user usually may not, until the package's
// udev rule and the video group let them), that is said once on standard error and every call does
// nothing: the screen stays as bright as it is.
//
// The brightness is never fought over. Whatever it reads when a dimming begins is the user's day level,
// which Restore() and the destructor put back. When the brightness read back is not what we wrote last,
// the user (or the desktop) has set it by hand meanwhile: that level stands for the rest of this
// dimming, which re-dims to the same level leave alone, and Restore() then leaves it too. Only a dimming
// to another level takes the screen over again.
//
// One thread uses an object; two objects of the same device would each count the other's writes as the
// user's.
class Backlight {
 public:
  // The backlight of the folder that KIVU_BACKLIGHT names, else of /sys/class/backlight.
  Backlight();
  // The backlight of a folder laid out as /sys/class/backlight.
  explicit Backlight(const std::string& folder);
  // Puts the day level back if we dimmed and the user has not set the brightness since.
  ~Backlight();
  Backlight(const Backlight&) = delete;
  Backlight& operator=(const Backlight&) = delete;

  // True when a device was found that we may write.
  bool Usable() const noexcept { return !device_.empty(); }
  // The chosen device's folder ("" when none is usable).
  const std::string& Device() const noexcept { return device_; }

  // Sets the brightness to fraction of the day level, rounded, at least 1 (the screen never goes dark)
  // and at most the device's maximum. A fraction that is not a number changes nothing.
  void Dim(double fraction);
  // Writes the day level back, unless the brightness was set by hand while dimmed.
  void Restore();

 private:
  bool Write(int level);

  std::string device_;
  std::string scope_;  // our ReportOnce tokens' prefix: each cause is told once per object
  int max_ = 0;
  int day_ = 0;          // the user's day level
  bool dimmed_ = false;  // we have written a dimmed level that Restore() should undo
  int phaseLevel_ = 0;   // the level of the current dimming
  int written_ = 0;      // what we wrote last (or found, when it was already right)
};

}  // namespace kivu
