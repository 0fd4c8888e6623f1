// Which palette the dashboard shows: the one the Display setting fixes, or in Automatic the one that
// follows the sun at the car's place and time. Plain arithmetic over Daylight, no Qt.
#pragma once

#include <cstdint>
#include <optional>

#include "gps/GpsFix.h"
#include "view/Daylight.h"

namespace kivu {

enum class Palette { kDay, kDusk, kNight, kRedNight };

// "day", "dusk", "night", "red": for kivu-replay's states and its --palette option.
const char* PaletteName(Palette palette) noexcept;

// The backlight for a palette in percent of the day's: 100 by day, the dusk level at dusk, the night
// level at night and in red night, each brought into 1..100 (the settings keep what the file says).
int BacklightPercent(Palette palette, int duskPercent, int nightPercent) noexcept;

// Follows the sun for the dashboard. Each fix gives the place, and its own UTC time where it has a
// date; without a fix (the GPS lost, or a receiver that sends no date) the last place known and the
// system's clock stand in. With no place ever known, or no time, the phase stays as it was: day
// until a place comes. The phase changes with DaylightPhase's hysteresis.
class PaletteFollower {
 public:
  PaletteFollower() noexcept;

  // A fix the dashboard took. systemUtcSeconds is the system's clock, used only when the fix has no
  // date; nullopt where there is no such clock (a replay runs on the fixes' times alone).
  void FollowFix(const GpsFix& fix, std::optional<int64_t> systemUtcSeconds) noexcept;
  // No fix to go by: the last place known at the system's time.
  void FollowClock(std::optional<int64_t> systemUtcSeconds) noexcept;

  // The palette of a Display setting (0 Automatic, 1 Day, 2 Dusk, 3 Night, 4 Red night; any other
  // value counts as Automatic). Automatic is day, dusk or night, never red night.
  Palette PaletteFor(int displayMode) const noexcept;
  // The sun's elevation in degrees at the last place and time followed; NaN before any.
  double SunElevationDegrees() const noexcept { return elevation_; }

 private:
  void Follow(double latitude, double longitude, std::optional<int64_t> utcSeconds) noexcept;

  DaylightPhase phase_;
  std::optional<double> latitude_, longitude_;
  double elevation_;
};

}  // namespace kivu
