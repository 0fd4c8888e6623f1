#include "trip/TripMath.h"

#include <cmath>
#include <limits>

namespace kivu {

namespace {

constexpr double kRadiansPerDegree = 0.017453292519943295;
constexpr double kOneOverTwoPi = 0.15915494309189535;
constexpr double kPerThreePointSix = 1.0 / 3.6;
// 90 degrees of tilt for one g of 9.8 m/s^2.
constexpr double kDegreesPerAcceleration = 9.183673469387754;
constexpr double kDegreesPerRadian = 57.29577951308232;
// The filter was made for the 0 to 12 satellites a GGA counts; counts of every system reach 20 to 40,
// and beyond 14 the gain leaves 0..1.
constexpr int32_t kMostSatellitesForFilter = 12;

// Degrees of a fix to radians: the degrees pass through a float, the product is narrowed again.
float Radians(double degrees) noexcept {
  return static_cast<float>(static_cast<double>(static_cast<float>(degrees)) * kRadiansPerDegree);
}

}  // namespace

int32_t TruncateToInt(double value) noexcept {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

float SmoothAltitude(float oldAltitude, float newAltitude, int32_t satellites) noexcept {
  if (!std::isfinite(newAltitude)) return oldAltitude;
  if (!std::isfinite(oldAltitude)) return newAltitude;
  // Beyond 14 satellites the gain would leave 0..1 and the altitude run away.
  if (satellites < 0) satellites = 0;
  if (satellites > kMostSatellitesForFilter) satellites = kMostSatellitesForFilter;
  const float g = static_cast<float>((165.0 - 11.25 * satellites) * kOneOverTwoPi);
  const float gain = 1.0f / (1.0f + g);
  return oldAltitude + gain * (newAltitude - oldAltitude);
}

float GreatCircleDistance(const GpsFix& previous, const GpsFix& current, float radius) noexcept {
  const float phi1 = Radians(current.latitude);
  const float phi2 = Radians(previous.latitude);
  const float lambda1 = Radians(current.longitude);
  const float lambda2 = Radians(previous.longitude);
  const float halfPhi = (phi1 - phi2) * 0.5f;
  const float halfLambda = (lambda1 - lambda2) * 0.5f;
  double a = std::pow(std::sin(static_cast<double>(halfPhi)), 2.0) +
             std::pow(std::sin(static_cast<double>(halfLambda)), 2.0) * std::cos(static_cast<double>(phi2)) *
                 std::cos(static_cast<double>(phi1));
  // Rounding can carry a for two nearly opposite points just above 1, where asin has no value.
  if (a > 1.0) a = 1.0;
  const float c = static_cast<float>(2.0 * std::asin(std::sqrt(a)));
  const float distance = c * radius;
  return std::isfinite(distance) ? distance : 0.0f;
}

float FixInterval(const GpsFix& previous, const GpsFix& current) noexcept {
  const SystemTime& a = previous.utcTime;
  const SystemTime& b = current.utcTime;
  const int64_t hours = int64_t{b.hour} - a.hour;
  const int64_t minutes = int64_t{b.minute} - a.minute;
  const int64_t seconds = int64_t{b.second} - a.second;
  const int64_t milliseconds = int64_t{b.milliseconds} - a.milliseconds;
  const int64_t total = ((hours * 60 + minutes) * 60 + seconds) * 1000 + milliseconds;
  return static_cast<float>(total) * 0.001f;
}

bool PitchFromAcceleration(float speedChange, float interval, float& pitch) noexcept {
  if (interval == 0.0f) return false;
  const float acceleration = static_cast<float>(speedChange * kPerThreePointSix) / interval;
  pitch = static_cast<float>(acceleration * kDegreesPerAcceleration);
  return true;
}

bool PitchFromSlope(float distanceStep, float altitudeChange, float interval, float& pitch) noexcept {
  if (distanceStep == 0.0f) return false;
  // With no time between the fixes there is no slope to speak of (and 0/0 would slip past the
  // acceleration check below).
  if (interval == 0.0f) return false;
  const float vertical = altitudeChange / (interval * interval);
  if (static_cast<double>(vertical) >= 9.8 || static_cast<double>(vertical) <= -9.8) return false;
  const float metres = static_cast<float>(distanceStep * 1000.0);
  const float slope = altitudeChange / metres;
  pitch = static_cast<float>(std::atan(static_cast<double>(slope)) * kDegreesPerRadian);
  return true;
}

bool RollFromTurn(float speed, float courseChange, float interval, float& roll) noexcept {
  if (interval == 0.0f) return false;
  if (speed == 0.0f || courseChange == 0.0f) {
    roll = 0.0f;
    return true;
  }
  // Through north: 350 to 10 degrees is a turn of +20, not -340.
  if (courseChange > 0.0f) {
    if (courseChange > 180.0f) courseChange = static_cast<float>(courseChange - 360.0);
  } else if (courseChange < -180.0f) {
    courseChange = static_cast<float>(courseChange + 360.0);
  }
  const float turnRate = static_cast<float>(courseChange * kRadiansPerDegree / interval);
  const float velocity = static_cast<float>(speed * kPerThreePointSix);
  roll = static_cast<float>(static_cast<double>(turnRate * velocity) * kDegreesPerAcceleration);
  return true;
}

}  // namespace kivu
