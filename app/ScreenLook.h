// What follows the dashboard's palette outside its own pixels: the buttons' pictures, the colours of
// the dialogs and message boxes, and the screen's backlight, dimmed at dusk and night and given back
// by day and when Kivu ends.
#pragma once

#include <QList>
#include <QPalette>
#include <memory>
#include <optional>

#include "platform/Backlight.h"
#include "view/DashboardColours.h"

namespace kivu {

class PictureButton;

class ScreenLook {
 public:
  ScreenLook() = default;
  ~ScreenLook();
  ScreenLook(const ScreenLook&) = delete;
  ScreenLook& operator=(const ScreenLook&) = delete;

  // Brings everything to colours and a backlight of backlightPercent (of the day's level); nothing
  // is done again while they stay the same. The backlight is opened at the first dimming, so that a
  // day-only run never looks for one.
  void Follow(const DashboardColours& colours, int backlightPercent, const QList<PictureButton*>& buttons);
  // Gives the backlight its day level back (the end of the run).
  void RestoreBacklight();

 private:
  const DashboardColours* colours_ = nullptr;
  int backlightPercent_ = 100;
  std::optional<QPalette> dayPalette_;  // the application's own, to go back to by day
  std::unique_ptr<Backlight> backlight_;
};

// The dialogs' colours for a palette: the day's as they are; darker ones after dusk.
QPalette DialogPalette(const DashboardColours& colours, const QPalette& day);

}  // namespace kivu
