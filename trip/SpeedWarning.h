// The speed warning: tells the driver once the car has stayed above the chosen limit for a while, and
// keeps telling until it is clearly back under it. It runs on the fixes' own time, so a 1 Hz and a
// 10 Hz receiver warn alike, and so does a replay.
#pragma once

#include <cstdint>

namespace kivu {

// What the warning follows, from the settings.
struct SpeedWarningChoice {
  int32_t limit = 0;          // in the display unit; 0 (or less) is off
  int32_t unitSelection = 0;  // 0 km/h, else mph: the margin the speed must fall by to end it
  bool sound = true;          // chimes are counted; off, the warning is silent
};

// The speed must stay above the limit this long (fix time) before the warning comes.
inline constexpr int64_t kWarnAfterMs = 2000;
// While it lasts, a reminder chime this often (fix time).
inline constexpr int64_t kChimeEveryMs = 30000;
// The warning ends at the limit less this (a car held at the limit would otherwise flicker it).
inline constexpr int32_t kClearMarginKmh = 3;
inline constexpr int32_t kClearMarginMph = 2;

class SpeedWarning {
 public:
  // A fix at fixMs (its UTC time in milliseconds) with the speed the dashboard shows. True when
  // whether it warns changed.
  bool Feed(int64_t fixMs, int32_t speed, const SpeedWarningChoice& choice);
  // The GPS has no fix: any warning ends and the count starts again with the next fix above the limit.
  // True when a warning ended.
  bool Lose();
  // The driver heard it: no more chimes until this warning ends.
  void Silence() { silenced_ = warning_; }

  bool Warning() const { return warning_; }
  bool Silenced() const { return silenced_; }
  // Chimes due since the start, one when a warning starts and one every kChimeEveryMs while it lasts,
  // unless silenced or the sound is off: whoever plays them plays one each time this goes up.
  uint64_t ChimesDue() const { return chimes_; }

 private:
  void End();

  bool warning_ = false;
  bool silenced_ = false;
  bool counting_ = false;  // the speed has been above the limit since aboveSinceMs_
  int64_t aboveSinceMs_ = 0;
  int64_t lastFixMs_ = 0;
  int64_t nextChimeMs_ = 0;
  uint64_t chimes_ = 0;
};

}  // namespace kivu
