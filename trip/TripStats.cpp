#include "trip/TripStats.h"

#include "trip/TripMath.h"

namespace kivu {

namespace {

constexpr double kKmhPerKnot = 1.852;
constexpr double kMphPerKnot = 1.150779448;
constexpr double kFeetPerMetre = 3.28;
constexpr double kMilesPerKm = 0.621371192237;
// The float nearest 1/3600.
constexpr float kHoursPerSecond = 0.000277777785f;

// Rounding as the dashboard has always done it: add a half, then truncate (so -2.7 shows as -2).
int32_t Round(double value) noexcept {
  return TruncateToInt(value + 0.5);
}

}  // namespace

void UpdateTripFigures(TripStats& s, const GpsFix& previous, const GpsFix& current, int64_t secondsSinceStart,
                       const TripChoices& choices, TripStep how) noexcept {
  const bool restart = how != TripStep::Continuous;
  s.courseInt = TruncateToInt(current.course);

  s.speed = current.speedKnots;
  if (s.speed > s.maxSpeed) s.maxSpeed = s.speed;

  const float oldAltitude = s.smoothedAltitude;
  s.smoothedAltitude =
      restart ? current.altitude : SmoothAltitude(oldAltitude, current.altitude, current.satellitesUsed);

  if (s.startAltitude == kNoAltitude) s.startAltitude = s.smoothedAltitude;
  if (s.smoothedAltitude > s.maxAltitude) s.maxAltitude = s.smoothedAltitude;
  if (s.smoothedAltitude < s.minAltitude) s.minAltitude = s.smoothedAltitude;
  s.altitudeGap = s.smoothedAltitude - s.startAltitude;

  // Only the speed decides whether the car moved: standing still, the position's jitter adds nothing.
  float step = 0.0f;
  if (s.speed != 0.0f && how != TripStep::TimeJump)
    step = GreatCircleDistance(previous, current, kEarthRadiusKm);
  s.distance = s.distance + step;

  s.durationHours = static_cast<float>(secondsSinceStart) * kHoursPerSecond;
  if (s.durationHours != 0.0f) s.avgSpeed = s.distance / s.durationHours;

  // After a gap no rate can be told: the figures start again from level and straight.
  const float interval = restart ? 0.0f : FixInterval(previous, current);
  if (restart) {
    s.verticalSpeed = 0;
    s.pitchInt = 0;
    s.rollInt = 0;
  }
  const float climb = s.smoothedAltitude - oldAltitude;
  if (interval != 0.0f) s.verticalSpeed = static_cast<float>((climb / interval) * 3.6);

  float pitch;
  if (choices.pitchSource == 0) {
    if (PitchFromAcceleration(current.speedKnots - previous.speedKnots, interval, pitch)) {
      s.pitchAcceleration = pitch;
      s.pitchInt = TruncateToInt(pitch);
    }
  } else if (PitchFromSlope(step, climb, interval, pitch)) {
    s.pitchAngle = pitch;
    s.pitchInt = TruncateToInt(pitch);
  }
  if (s.pitchInt > s.pitchMax) s.pitchMax = s.pitchInt;
  if (s.pitchInt < s.pitchMin) s.pitchMin = s.pitchInt;

  if (choices.rollSource == 0) {
    float roll;
    if (RollFromTurn(s.speed, current.course - previous.course, interval, roll)) {
      s.rollInt = TruncateToInt(roll);
      s.rollCentripetal = roll;
    }
  } else {
    s.rollInt = 0;
  }
  if (s.rollInt > s.rollMax) s.rollMax = s.rollInt;
  if (s.rollInt < s.rollMin) s.rollMin = s.rollInt;

  ComputeDisplayValues(s, choices.unitSelection);
}

void ComputeDisplayValues(TripStats& s, int32_t unitSelection) noexcept {
  if (unitSelection == 0) {
    s.speedInt = Round(s.speed * kKmhPerKnot);
    s.maxSpeedInt = Round(s.maxSpeed * kKmhPerKnot);
    s.altitudeInt = TruncateToInt(s.smoothedAltitude);
    s.minAltitudeInt = TruncateToInt(s.minAltitude);
    s.maxAltitudeInt = TruncateToInt(s.maxAltitude);
    s.altitudeGapInt = TruncateToInt(s.altitudeGap);
    s.distanceInt = TruncateToInt(s.distance);
    s.verticalSpeedInt = TruncateToInt(s.verticalSpeed);
    s.avgSpeedInt = TruncateToInt(s.avgSpeed);
  } else {
    s.speedInt = Round(s.speed * kMphPerKnot);
    s.maxSpeedInt = Round(s.maxSpeed * kMphPerKnot);
    s.altitudeInt = TruncateToInt(s.smoothedAltitude * kFeetPerMetre);
    s.minAltitudeInt = TruncateToInt(s.minAltitude * kFeetPerMetre);
    s.maxAltitudeInt = TruncateToInt(s.maxAltitude * kFeetPerMetre);
    s.altitudeGapInt = TruncateToInt(s.altitudeGap * kFeetPerMetre);
    s.distanceInt = TruncateToInt(s.distance * kMilesPerKm);
    s.verticalSpeedInt = TruncateToInt(s.verticalSpeed * kMilesPerKm);
    s.avgSpeedInt = TruncateToInt(s.avgSpeed * kMilesPerKm);
  }
}

}  // namespace kivu
