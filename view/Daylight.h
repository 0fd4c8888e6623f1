// Where the sun stands for the car, and whether the dashboard is in day, dusk or night: what the
// palettes that follow the sun are chosen by. Plain arithmetic, no Qt.
#pragma once

#include <cstdint>
#include <optional>

#include "gps/GpsFix.h"

namespace kivu {

// The sun's geometric elevation above the horizon in degrees (no refraction, seen from the earth's
// centre) at a place and a time in seconds since 1970 UTC. Good to a few hundredths of a degree
// from 1950 to 2100, far better than a palette needs. A latitude past a pole counts as the point
// beyond it (100 N is 80 N on the other side of the earth), a longitude outside -180..180 goes round
// the globe. NaN when any input is NaN or infinite.
double SunElevation(double latitudeDegrees, double longitudeDegrees, double unixSeconds) noexcept;

// A fix's UTC time as seconds since 1970 (the year is 2000 + its two digits, the milliseconds are
// dropped), or nullopt when the receiver gave no date (all zero) or a field is out of its range:
// there is then no telling where the sun is.
std::optional<int64_t> DatedUtcSeconds(const SystemTime& time) noexcept;

enum class Daylight { kDay, kDusk, kNight };

// "day", "dusk", "night": for kivu-replay's states.
const char* DaylightName(Daylight phase) noexcept;

// The phase the dashboard is in, following the sun's elevation without flickering at dawn and dusk.
//
// The borders: day above -0.833 degrees (the sun's upper rim on the horizon), dusk from there down to
// -6 degrees (civil twilight), night below -6. A phase is left across a border only once the
// elevation is a full degree past it in the direction of the crossing:
//   day   -> dusk   below -1.833      dusk  -> day    above +0.167
//   dusk  -> night  below -7          night -> dusk   above -5
// An elevation that passes both borders that way crosses both at once (day -> night below -7,
// night -> day above +0.167), as when the clock is stepped by hours. Anything else keeps the phase,
// so an elevation wandering within a degree of a border never changes it.
//
// With no elevation ever given the phase is day (no position known means day). The first elevation
// picks the phase by the plain borders. A NaN elevation (no position) changes nothing.
class DaylightPhase {
 public:
  static constexpr double kDuskBorder = -0.833;
  static constexpr double kNightBorder = -6.0;
  static constexpr double kHysteresis = 1.0;

  // Follows one elevation in degrees; the phase after it.
  Daylight Update(double elevationDegrees) noexcept;
  Daylight Phase() const noexcept { return phase_; }

 private:
  Daylight phase_ = Daylight::kDay;
  bool followed_ = false;  // whether an elevation was ever given
};

}  // namespace kivu
