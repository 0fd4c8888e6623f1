#include "view/Daylight.h"

#include <cmath>
#include <limits>

#include "platform/Clock.h"

namespace kivu {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRadians = kPi / 180;

// An angle in degrees brought to [0, 360).
double Turn(double degrees) noexcept {
  const double r = std::fmod(degrees, 360.0);
  return r < 0 ? r + 360 : r;
}

// An angle in degrees brought to [-180, 180).
double Signed(double degrees) noexcept {
  return Turn(degrees + 180) - 180;
}

}  // namespace

double SunElevation(double latitudeDegrees, double longitudeDegrees, double unixSeconds) noexcept {
  if (!std::isfinite(latitudeDegrees) || !std::isfinite(longitudeDegrees) || !std::isfinite(unixSeconds))
    return std::numeric_limits<double>::quiet_NaN();
  double lat = Signed(latitudeDegrees), lon = longitudeDegrees;
  if (std::fabs(lat) > 90) {  // over the pole and down the other side
    lat = std::copysign(180.0, lat) - lat;
    lon += 180;
  }
  lon = Signed(lon);

  // The low-precision solar coordinates of the astronomical almanacs: the sun's mean longitude and
  // mean anomaly grow linearly from the epoch 2000-01-01 12:00, the true longitude adds the
  // equation of the centre, and the equator is tilted from the ecliptic by the obliquity. The
  // difference between UTC and the dynamical time (about a minute) moves the sun by a thousandth of
  // a degree along the ecliptic, so UTC serves for both.
  const double days = unixSeconds / 86400.0 - 10957.5;
  const double anomaly = Turn(357.529 + 0.98560028 * days) * kRadians;
  const double meanLongitude = Turn(280.459 + 0.98564736 * days);
  const double longitude =
      (meanLongitude + 1.915 * std::sin(anomaly) + 0.020 * std::sin(2 * anomaly)) * kRadians;
  const double obliquity = (23.439 - 0.00000036 * days) * kRadians;
  const double rightAscension =
      std::atan2(std::cos(obliquity) * std::sin(longitude), std::cos(longitude)) / kRadians;
  const double declination = std::asin(std::sin(obliquity) * std::sin(longitude));

  // The hour angle is how far the earth has turned the place past the sun: Greenwich's mean
  // sidereal time, plus the longitude, less the sun's right ascension.
  const double siderealTime = Turn(280.46061837 + 360.98564736629 * days);
  const double hourAngle = Turn(siderealTime + lon - rightAscension) * kRadians;
  const double phi = lat * kRadians;
  double s =
      std::sin(phi) * std::sin(declination) + std::cos(phi) * std::cos(declination) * std::cos(hourAngle);
  s = s > 1 ? 1 : (s < -1 ? -1 : s);  // rounding must not take asin out of its domain
  return std::asin(s) / kRadians;
}

std::optional<int64_t> DatedUtcSeconds(const SystemTime& t) noexcept {
  if (t.year > 99 || t.month < 1 || t.month > 12 || t.day < 1 || t.hour > 23 || t.minute > 59 ||
      t.second > 60 || t.milliseconds > 999)
    return std::nullopt;
  // 2000 to 2099 holds no century year but 2000, which is a leap year.
  const bool leap = t.year % 4 == 0;
  constexpr uint16_t kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int lastDay = kMonthDays[t.month - 1] + (t.month == 2 && leap ? 1 : 0);
  if (t.day > lastDay) return std::nullopt;
  // A leap second (60) counts as the first second of the next minute: the sun cannot tell.
  return UtcSeconds(2000 + int64_t{t.year}, t.month, t.day, t.hour, t.minute, t.second);
}

const char* DaylightName(Daylight phase) noexcept {
  switch (phase) {
    case Daylight::kDay:
      return "day";
    case Daylight::kDusk:
      return "dusk";
    case Daylight::kNight:
      return "night";
  }
  return "day";
}

Daylight DaylightPhase::Update(double e) noexcept {
  if (std::isnan(e)) return phase_;
  // Without history the borders are plain; with it, each is a degree further on in the direction
  // of the crossing.
  const double margin = followed_ ? kHysteresis : 0;
  followed_ = true;
  // Darker, one border at a time.
  if (phase_ == Daylight::kDay && e < kDuskBorder - margin) phase_ = Daylight::kDusk;
  if (phase_ == Daylight::kDusk && e < kNightBorder - margin) phase_ = Daylight::kNight;
  // Lighter, one border at a time.
  if (phase_ == Daylight::kNight && e > kNightBorder + margin) phase_ = Daylight::kDusk;
  if (phase_ == Daylight::kDusk && e > kDuskBorder + margin) phase_ = Daylight::kDay;
  return phase_;
}

}  // namespace kivu
