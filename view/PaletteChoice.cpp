#include "view/PaletteChoice.h"

#include <cmath>
#include <limits>

#include "config/AppSettings.h"

namespace kivu {

const char* PaletteName(Palette palette) noexcept {
  switch (palette) {
    case Palette::kDusk:
      return "dusk";
    case Palette::kNight:
      return "night";
    case Palette::kRedNight:
      return "red";
    case Palette::kDay:
    default:
      return "day";
  }
}

int BacklightPercent(Palette palette, int duskPercent, int nightPercent) noexcept {
  switch (palette) {
    case Palette::kDusk:
      return ClampedBacklightPercent(duskPercent);
    case Palette::kNight:
    case Palette::kRedNight:
      return ClampedBacklightPercent(nightPercent);
    case Palette::kDay:
    default:
      return kHighestBacklightPercent;
  }
}

PaletteFollower::PaletteFollower() noexcept : elevation_(std::numeric_limits<double>::quiet_NaN()) {}

void PaletteFollower::FollowFix(const GpsFix& fix, std::optional<int64_t> systemUtcSeconds) noexcept {
  const std::optional<int64_t> dated = DatedUtcSeconds(fix.utcTime);
  Follow(fix.latitude, fix.longitude, dated ? dated : systemUtcSeconds);
}

void PaletteFollower::FollowClock(std::optional<int64_t> systemUtcSeconds) noexcept {
  if (latitude_) Follow(*latitude_, *longitude_, systemUtcSeconds);
}

void PaletteFollower::Follow(double latitude, double longitude, std::optional<int64_t> utcSeconds) noexcept {
  // A place that is no number is no place: the last good one stays.
  if (!std::isfinite(latitude) || !std::isfinite(longitude)) {
    if (!latitude_) return;
    latitude = *latitude_;
    longitude = *longitude_;
  }
  latitude_ = latitude;
  longitude_ = longitude;
  if (!utcSeconds) return;
  elevation_ = SunElevation(latitude, longitude, static_cast<double>(*utcSeconds));
  phase_.Update(elevation_);
}

Palette PaletteFollower::PaletteFor(int displayMode) const noexcept {
  switch (displayMode) {
    case kDisplayDay:
      return Palette::kDay;
    case kDisplayDusk:
      return Palette::kDusk;
    case kDisplayNight:
      return Palette::kNight;
    case kDisplayRedNight:
      return Palette::kRedNight;
    default:
      break;
  }
  switch (phase_.Phase()) {
    case Daylight::kDusk:
      return Palette::kDusk;
    case Daylight::kNight:
      return Palette::kNight;
    case Daylight::kDay:
    default:
      return Palette::kDay;
  }
}

}  // namespace kivu
